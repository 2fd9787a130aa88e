#include "windows/records/CreateRecordWindow.h"

#include "domain/PersonRecords.h"
#include "domain/SessionState.h"
#include "store/Connection.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"
#include "windows/records/Context.h"
#include "windows/records/PersonForm.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace hra::records {

CreateRecordWindow::CreateRecordWindow(Context& context, QWidget* parent)
    : RecordWindow(context, QStringLiteral("TFrm_jbxx"), QStringLiteral("建立档案"),
                   QStringLiteral("建 立 档 案"), parent),
      m_form(new PersonForm(PersonForm::Purpose::Create, context.prompts, context.photoDirectory,
                            this)),
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

void CreateRecordWindow::save()
{
    const QString number = m_form->recordNumber();
    if (number.isEmpty())
        return;
    if (!m_form->checkRequired() || !m_form->save(m_row))
        return;
    m_row.setValue(QStringLiteral("bianh"), number);
    // The photo name is stored only with the record the picture was chosen
    // for; a number changed after choosing would point at another person's file.
    const PendingPhoto photo = m_form->pendingPhoto();
    const bool withPhoto = photo.belongsTo(number);
    m_row.setValue(QStringLiteral("zhaop"), withPhoto ? QVariant(photo.name) : QVariant());

    try {
        m_row.store(m_context.connection.db());
    } catch (const std::exception& e) {
        // The row and every control keep what was typed, for correction.
        m_context.prompts.error(this,
                                ui::isConnectionLost(e)
                                    ? ui::kConnectionLostOnSave
                                    : QStringLiteral("保存不成功,编号重复或非法!"),
                                QStringLiteral("出错提示!"));
        return;
    }

    m_context.prompts.information(this, QStringLiteral("保存成功!"), QStringLiteral("提示信息!"));
    m_context.session.pendingRecordNo = number;
    // A picture chosen for another number is not this person's photo; it is
    // not dropped without a word.
    if (!photo.isEmpty() && !withPhoto)
        m_context.prompts.information(
            this,
            QStringLiteral("所选照片不是为编号“%"
                           "1”选择的，没有随档案保存；如需照片，请在“修改档案”中重新选择。")
                .arg(number),
            QStringLiteral("提示信息!"));
    if (withPhoto && !writePhoto(m_context.photoDirectory, photo))
        m_context.prompts.error(this, QStringLiteral("照片保存不成功!"),
                                QStringLiteral("出错提示!"));
    startNewRow();
    m_form->control(QStringLiteral("bianh"))->setFocus();

    if (m_context.prompts.confirm(this, QStringLiteral("下面要进入信息调查录入界面,确定要进入吗?"),
                                  QStringLiteral("提示信息"),
                                  QMessageBox::Ok | QMessageBox::Cancel) &&
        m_context.openQuestionnaire)
        m_context.openQuestionnaire();
}

} // namespace hra::records
