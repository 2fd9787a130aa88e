#include "windows/records/DeleteRecordWindow.h"

#include "domain/PersonRecords.h"
#include "store/Connection.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"
#include "windows/records/Context.h"
#include "windows/records/PersonListColumns.h"
#include "windows/records/PersonListModel.h"

#include <QLineEdit>

namespace hra::records {

DeleteRecordWindow::DeleteRecordWindow(Context& context, QWidget* parent)
    : PersonListWindow(context, QStringLiteral("TFrm_scda"), QStringLiteral("删除档案"),
                       QStringLiteral("删 除 档 案"),
                       personListColumns({"bianh", "xingm", "xingb", "nianl", "hunyzk", "wenhcd",
                                          "zhiy", "shenfzh", "lianxfs", "lurrq"}),
                       parent)
{
    auto* remove = addButton(QStringLiteral("&D 删除"), QStringLiteral("delete"));
    connect(remove, &QPushButton::clicked, this, &DeleteRecordWindow::deleteSelected);
    installKeys()->setEnterAction(searchBox(), [this] { find(); });
}

void DeleteRecordWindow::deleteSelected()
{
    const int index = selectedIndex();
    if (!hasList() || index < 0)
        return;
    const QString number = persons()->value(index, QStringLiteral("bianh")).toString();
    // The person is named, and Enter answers No: a second Alt+D, Enter must
    // not delete the next person in the list.
    const QString question =
        QStringLiteral("确实要删除这条记录吗?\n\n编号：%1    姓名：%2")
            .arg(number, persons()->value(index, QStringLiteral("xingm")).toString());
    if (!m_context.prompts.confirm(this, question, QStringLiteral("删除提示"),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No))
        return;
    bool deleted = false;
    const QVariant version = persons()->value(index, store::RowBuffer::kVersionColumn);
    try {
        deleted = domain::deletePerson(m_context.connection.db(), number,
                                       version.isNull() ? std::nullopt
                                                        : std::optional<int>(version.toInt()));
    } catch (const store::StaleRowError& e) {
        if (e.removed()) {
            removePerson(index);
            m_context.prompts.error(this, ui::kRemovedElsewhere, QStringLiteral("出错提示!"));
        } else {
            m_context.prompts.error(this,
                                    ui::kChangedElsewhere +
                                        QStringLiteral("本次未删除,请重新查找,核对后再删除。"),
                                    QStringLiteral("出错提示!"));
        }
        return;
    } catch (const store::ConnectionLostError&) {
        m_context.prompts.error(this, ui::kConnectionLost, QStringLiteral("出错提示!"));
        return;
    } catch (const store::DatabaseError&) {
    }
    if (!deleted) {
        m_context.prompts.error(this, QStringLiteral("删除不成功!"), QStringLiteral("出错提示!"));
        return;
    }
    // The deleted person leaves this list at once, so it cannot be chosen again.
    removePerson(index);
    m_context.prompts.information(this, QStringLiteral("删除成功!"), QStringLiteral("提示信息!"));
    searchBox()->setFocus();
}

} // namespace hra::records
