#include "windows/records/CreateRecordWindow.h"

#include "domain/PersonRecords.h"
#include "domain/SessionState.h"
#include "store/Connection.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/PromptService.h"
#include "windows/records/Context.h"
#include "windows/records/PersonForm.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace hra::records {

CreateRecordWindow::CreateRecordWindow(Context& context, QWidget* parent)
    : RecordWindow(context, QStringLiteral("TFrm_jbxx"), QStringLiteral("建立档案"),
                   QStringLiteral("建 立 档 案"), parent),
      m_form(new PersonForm(PersonForm::Purpose::Create, context.prompts, this)),
      m_row(domain::personBuffer())
{
    m_form->photoNameWidth = domain::photoNameWidth(context.connection.db());
    QVBoxLayout* layout = body();
    layout->addWidget(m_form);
    layout->addLayout(commandButtons(this, {{QStringLiteral("&S 保存"), QStringLiteral("save")},
                                            {QStringLiteral("&C 关闭"), QStringLiteral("close")}}));
    layout->addStretch();
    connect(findChild<QPushButton*>(QStringLiteral("save")), &QPushButton::clicked, this,
            &CreateRecordWindow::save);
    connect(findChild<QPushButton*>(QStringLiteral("close")), &QPushButton::clicked, this,
            &QWidget::close);

    m_row.beforeStore = [this](QVariantMap& values) {
        domain::applyNewPersonRules(values, m_context.connection.serverNow());
    };
    installKeys();
    startNewRow();
}

void CreateRecordWindow::startNewRow()
{
    m_row.startNew(m_context.connection.db());
    m_form->load(m_row);
    m_form->forgetPicture();
}

bool CreateRecordWindow::hasChanges() const
{
    return m_form->isModified();
}

void CreateRecordWindow::save()
{
    if (!store())
        return;
    if (m_context.prompts.confirm(this, QStringLiteral("下面要进入信息调查录入界面,确定要进入吗?"),
                                  QStringLiteral("提示信息"),
                                  QMessageBox::Ok | QMessageBox::Cancel) &&
        m_context.openQuestionnaire)
        m_context.openQuestionnaire();
}

bool CreateRecordWindow::store()
{
    // The record number is the first required value; each missing one is named.
    if (!m_form->checkRequired() || !m_form->save(m_row))
        return false;
    const QString number = m_form->recordNumber();
    m_row.setValue(QStringLiteral("bianh"), number);
    // The photo is stored in the person's row, named after the number stored.
    m_form->savePhoto(m_row, number);

    try {
        domain::storePerson(m_context.connection.db(), m_row);
    } catch (const store::DatabaseError&) {
        // The row and every control keep what was typed, for correction.
        m_context.prompts.error(this, QStringLiteral("保存不成功,编号重复或非法!"),
                                QStringLiteral("出错提示!"));
        return false;
    }

    m_context.prompts.information(this, QStringLiteral("保存成功!"), QStringLiteral("提示信息!"));
    m_context.session.pendingRecordNo = number;
    startNewRow();
    m_form->control(QStringLiteral("bianh"))->setFocus();
    return true;
}

} // namespace hra::records
