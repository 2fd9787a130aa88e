#include "windows/records/ModifyRecordWindow.h"

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

    m_form =
        new PersonForm(PersonForm::Purpose::Modify, context.prompts, context.photoDirectory, this);
    m_form->photoNameWidth = domain::photoNameWidth(context.connection.db());
    m_form->photoRecordNumber = [this] {
        return m_row.isOpen() ? m_row.value(QStringLiteral("bianh")).toString().trimmed()
                              : QString();
    };
    m_form->clearDeletesFile = true;

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

void ModifyRecordWindow::loadPerson()
{
    const QString number = m_lookup->text().trimmed();
    if (number.isEmpty())
        return;
    m_row.close();
    m_form->forgetPicture();
    try {
        m_row.load(m_context.connection.db(), {{QStringLiteral("bianh"), number}});
    } catch (const store::ConnectionLostError&) {
        m_row.close();
        m_context.prompts.error(this, ui::kConnectionLost, QStringLiteral("提示信息"));
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
    const QString photo = m_row.value(QStringLiteral("zhaop")).toString();
    if (!photo.isEmpty() && !m_form->showStoredPhoto(photo))
        m_context.prompts.error(this, QStringLiteral("加载照片出错!"), QStringLiteral("出错提示"));
}

void ModifyRecordWindow::modify()
{
    if (m_lookup->text().trimmed().isEmpty())
        return;
    bool stored = false;
    if (m_row.isOpen()) {
        if (!m_form->save(m_row))
            return;
        try {
            m_row.store(m_context.connection.db());
            stored = true;
        } catch (const store::ConnectionLostError&) {
            // What was typed stays in the boxes and the row for the retry.
            m_context.prompts.error(this, ui::kConnectionLostOnSave, QStringLiteral("出错提示!"));
            return;
        } catch (const store::StaleRowError&) {
            if (!resolveChangedElsewhere())
                return;
            stored = true;
        } catch (const std::exception&) {
        }
    }
    if (!stored) {
        m_context.prompts.error(this, QStringLiteral("修改不成功!"), QStringLiteral("出错提示!"));
        // What was typed for a loaded person stays for correction; the
        // chosen picture is written only with a stored row.
        if (m_row.isOpen())
            return;
        reset();
        return;
    }
    m_context.prompts.information(this, QStringLiteral("修改成功!"), QStringLiteral("提示信息!"));
    const QString number = m_row.value(QStringLiteral("bianh")).toString().trimmed();
    const PendingPhoto& photo = m_form->pendingPhoto();
    if (photo.belongsTo(number) && photo.name == m_form->photoName() &&
        !writePhoto(m_context.photoDirectory, photo))
        m_context.prompts.error(this, QStringLiteral("照片保存不成功!"),
                                QStringLiteral("出错提示!"));
    reset();
}

bool ModifyRecordWindow::resolveChangedElsewhere()
{
    const QSqlDatabase db = m_context.connection.db();
    try {
        const domain::FormDeclaration declared =
            domain::personForm(domain::PersonFormPurpose::Modify);
        const auto answer = m_context.prompts.message(
            this, ui::changedElsewhereQuestion({&declared}, m_row.changedElsewhere(db)),
            QStringLiteral("出错提示!"), QMessageBox::Warning,
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel);
        if (answer == QMessageBox::Yes) {
            m_row.reloadKeepingEdits(db);
            m_form->load(m_row);
            m_context.prompts.information(
                this, QStringLiteral("已重新读取,您录入的内容已保留,请核对后再修改!"),
                QStringLiteral("提示信息!"));
            return false;
        }
        if (answer != QMessageBox::No)
            return false;
        m_row.overwriteStored(db);
        m_row.store(db);
        return true;
    } catch (const store::StaleRowError& e) {
        m_context.prompts.error(this, e.removed() ? ui::kRemovedElsewhere : ui::kChangedElsewhere,
                                QStringLiteral("出错提示!"));
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("修改不成功!")),
                                QStringLiteral("出错提示!"));
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
