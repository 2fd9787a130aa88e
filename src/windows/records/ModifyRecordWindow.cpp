#include "windows/records/ModifyRecordWindow.h"

#include "domain/Audit.h"
#include "domain/PersonRecords.h"
#include "store/Connection.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"
#include "windows/records/Context.h"
#include "windows/records/PersonForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace hra::records {

ModifyRecordWindow::ModifyRecordWindow(Context& context, QWidget* parent)
    : RecordWindow(context, QStringLiteral("TFrm_xgda"), QStringLiteral("修改档案"),
                   QStringLiteral("修 改 档 案"), parent),
      m_lookup(new QLineEdit(this)), m_row(domain::personBuffer())
{
    m_lookup->setObjectName(QStringLiteral("lookup"));
    auto* lookupRow = new QHBoxLayout;
    auto* lookupLabel = new QLabel(QStringLiteral("档案编号"), this);
    lookupLabel->setBuddy(m_lookup);
    lookupRow->addWidget(lookupLabel);
    lookupRow->addWidget(m_lookup);
    lookupRow->addStretch();

    m_form = new PersonForm(PersonForm::Purpose::Modify, context.prompts, this);
    m_form->photoNameWidth = domain::photoNameWidth(context.connection.db());
    m_form->photoRecordNumber = [this] {
        return m_row.isOpen() ? m_row.value(QStringLiteral("bianh")).toString().trimmed()
                              : QString();
    };

    QVBoxLayout* layout = body();
    layout->addLayout(lookupRow);
    layout->addWidget(m_form);
    layout->addLayout(commandButtons(this, {{QStringLiteral("&S 修改"), QStringLiteral("modify")},
                                            {QStringLiteral("&C 关闭"), QStringLiteral("close")}}));
    layout->addStretch();
    connect(findChild<QPushButton*>(QStringLiteral("modify")), &QPushButton::clicked, this,
            &ModifyRecordWindow::modify);
    connect(findChild<QPushButton*>(QStringLiteral("close")), &QPushButton::clicked, this,
            &QWidget::close);

    installKeys()->setEnterAction(m_lookup, [this] { loadPerson(); });
    m_form->clearFields();
}

void ModifyRecordWindow::lookup(const QString& recordNumber)
{
    m_lookup->setText(recordNumber);
    loadPerson();
}

bool ModifyRecordWindow::hasChanges() const
{
    return m_row.isOpen() && m_form->isModified();
}

bool ModifyRecordWindow::storeChanges()
{
    if (!store())
        return false;
    reset();
    return true;
}

void ModifyRecordWindow::loadPerson()
{
    const QString number = m_lookup->text().trimmed();
    if (number.isEmpty()) {
        m_context.prompts.information(this, QStringLiteral("请输入档案编号后回车!"),
                                      QStringLiteral("提示信息"));
        return;
    }
    // Another person is not loaded over changes to this one.
    if (!settleChanges()) {
        m_lookup->setText(m_row.value(QStringLiteral("bianh")).toString().trimmed());
        return;
    }
    m_row.close();
    m_form->forgetPicture();
    try {
        m_row.load(m_context.connection.db(), {{QStringLiteral("bianh"), number}});
    } catch (const store::ConnectionLostError&) {
        // Not an unknown number: the database could not be asked.
        m_row.close();
        m_form->load(m_row);
        m_context.prompts.error(this, ui::kConnectionLost, QStringLiteral("出错提示"));
        return;
    } catch (const store::DatabaseError&) {
        m_row.close();
    }
    m_form->load(m_row);
    if (!m_row.isOpen()) {
        // Empty boxes alone would not tell a mistyped number from a person
        // without details.
        m_context.prompts.information(this, unknownNumberMessage(number),
                                      QStringLiteral("提示信息"));
        return;
    }
    m_row.edit();
    domain::noteAudit(m_context.connection.db(), {domain::AuditAction::View, number, std::nullopt,
                                                  QStringLiteral("修改档案")});
    if (!m_form->showStoredPhoto(m_row))
        m_context.prompts.error(this, QStringLiteral("加载照片出错!"), QStringLiteral("出错提示"));
}

void ModifyRecordWindow::modify()
{
    if (store())
        reset();
}

bool ModifyRecordWindow::store()
{
    if (!m_row.isOpen()) {
        // Nothing loaded: say what is missing rather than that it failed.
        m_context.prompts.information(this, QStringLiteral("请先输入档案编号并回车调出档案!"),
                                      QStringLiteral("提示信息"));
        m_lookup->setFocus();
        return false;
    }
    if (!m_form->checkRequired() || !m_form->save(m_row))
        return false;
    m_form->savePhoto(m_row, m_row.value(QStringLiteral("bianh")).toString().trimmed());
    for (;;) {
        try {
            domain::storePerson(m_context.connection.db(), m_row);
            break;
        } catch (const store::StaleRowError& e) {
            // Nothing was stored; only a deliberate overwrite tries again.
            if (!settleChangeElsewhere(e))
                return false;
        } catch (const store::DatabaseError& e) {
            // What was typed and the chosen picture stay for correction.
            m_context.prompts.error(this,
                                    ui::isConnectionLost(e) ? ui::kConnectionLostOnSave
                                                            : QStringLiteral("修改不成功!"),
                                    QStringLiteral("出错提示!"));
            return false;
        }
    }
    m_context.prompts.information(this, QStringLiteral("修改成功!"), QStringLiteral("提示信息!"));
    return true;
}

bool ModifyRecordWindow::settleChangeElsewhere(const store::StaleRowError& refused)
{
    const QSqlDatabase db = m_context.connection.db();
    const QVariantMap key{{QStringLiteral("bianh"), m_row.value(QStringLiteral("bianh"))}};
    const QString caption = QStringLiteral("出错提示!");
    const QString removedText = ui::kRemovedElsewhere + QStringLiteral("本次未保存。");
    QList<ui::ChangedField> changed;
    try {
        store::RowBuffer theirs = domain::personBuffer();
        if (refused.removed() || !theirs.load(db, key)) {
            m_context.prompts.error(this, removedText, caption);
            return false;
        }
        changed = ui::changedFields(m_row, theirs, m_row.changedElsewhere(db));
        switch (ui::askAboutChangeElsewhere(
            m_context.prompts, this,
            ui::changedElsewhereQuestion({&m_form->declaration()}, changed))) {
        case ui::ChangedElsewhereAnswer::Cancel:
            return false;
        case ui::ChangedElsewhereAnswer::Overwrite:
            m_row.overwriteStored(db);
            return true;
        case ui::ChangedElsewhereAnswer::Reload: {
            // The stored person is what the form starts from again; the
            // operator's own edits stay on top as changes not yet stored.
            const auto typed = m_form->changes();
            if (!m_row.load(db, key)) {
                m_context.prompts.error(this, removedText, caption);
                return false;
            }
            m_row.edit();
            m_form->load(m_row);
            m_form->applyChanges(typed);
            m_context.prompts.information(
                this,
                QStringLiteral("已载入其他工作站保存的内容,您录入的修改已保留,请核对后再保存。"),
                QStringLiteral("提示信息!"));
            return false;
        }
        }
    } catch (const store::StaleRowError&) {
        m_context.prompts.error(this, removedText, caption);
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("修改不成功!")), caption);
    }
    return false;
}

void ModifyRecordWindow::reset()
{
    m_form->forgetPicture();
    m_row.close();
    m_form->clearFields();
    m_lookup->clear();
    m_lookup->setFocus();
}

} // namespace hra::records
