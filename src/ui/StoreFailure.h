#pragma once

#include "domain/FormDeclaration.h"
#include "store/RowBuffer.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <exception>
#include <vector>

class QWidget;

namespace hra::ui {

class PromptService;

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

// A column of a row that another workstation stored another value in since
// this window loaded the row.
struct ChangedField
{
    QString table;
    QString column;
    QVariant theirs; // stored now
    QVariant mine;   // what this window would store
    bool typedHere = false;
};

// The listed columns of `mine` (a buffer whose store was refused) against
// the same row as stored now (`theirs`, loaded afresh).
QList<ChangedField> changedFields(const store::RowBuffer& mine, const store::RowBuffer& theirs,
                                  const QStringList& columns);

// The question after a save refused because another workstation changed the
// row: each changed field by its caption, in the forms' order, with their
// value and this window's (columns no form shows are left out), then the
// three ways on.
QString changedElsewhereQuestion(const std::vector<const domain::FormDeclaration*>& forms,
                                 const QList<ChangedField>& changed);

enum class ChangedElsewhereAnswer
{
    Reload,    // 重新载入: the stored row with the operator's edits on top, not stored yet
    Overwrite, // 覆盖: this window's values replace the stored ones
    Cancel,    // 取消: nothing stored, what was typed stays
};
// Asks the question with 重新载入/覆盖/取消; Enter reloads, Escape cancels:
// neither stores over the other workstation's change.
ChangedElsewhereAnswer askAboutChangeElsewhere(PromptService& prompts, QWidget* parent,
                                               const QString& question);

} // namespace hra::ui
