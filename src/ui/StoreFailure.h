#pragma once

#include "domain/FormDeclaration.h"

#include <QString>
#include <QStringList>
#include <exception>

namespace hra::ui {

// The link to the database is gone; nothing typed is lost.
inline const QString kConnectionLost = QStringLiteral("数据库连接中断,请稍后再试!");
inline const QString kConnectionLostOnSave =
    QStringLiteral("数据库连接中断,保存不成功!\n\n录入的内容都已保留,数据库恢复后请再保存。");
// A row loaded here was saved meanwhile by another workstation.
inline const QString kChangedElsewhere = QStringLiteral("该记录已被其他工作站修改!");
inline const QString kRemovedElsewhere = QStringLiteral("该记录已被其他工作站删除!");

// Whether a failure is the lost link (ConnectionLostError).
bool isConnectionLost(const std::exception& e);

// What an operator is told of a failed database request: a lost link says
// so, anything else gets the window's usual message.
QString failureText(const std::exception& e, const QString& usual);

// The question after kChangedElsewhere: what the other workstation changed
// (the captions of the columns, in the form's order) and the three ways on:
// Yes reloads keeping what was typed, No overwrites, Cancel stores nothing.
QString changedElsewhereQuestion(const std::vector<const domain::FormDeclaration*>& forms,
                                 const QStringList& columns);

} // namespace hra::ui
