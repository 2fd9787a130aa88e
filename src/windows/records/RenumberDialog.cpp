#include "windows/records/RenumberDialog.h"

#include "domain/Assessment.h"
#include "domain/PersonRecords.h"
#include "store/Connection.h"
#include "store/NumberText.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"
#include "windows/records/RecordWindow.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace hra::records {
namespace {

QLabel* valueLabel(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

} // namespace

RenumberDialog::RenumberDialog(store::Connection& connection, ui::PromptService& prompts,
                               RenumberedPerson person, QWidget* parent)
    : QDialog(parent), m_connection(connection), m_prompts(prompts), m_person(std::move(person)),
      m_newNumber(new QLineEdit(this))
{
    setObjectName(QStringLiteral("TFrm_ggbh"));
    setWindowTitle(QStringLiteral("更改编号"));
    setModal(true);

    auto* old = new QGroupBox(QStringLiteral("原编号信息："), this);
    auto* oldForm = new QFormLayout(old);
    oldForm->addRow(QStringLiteral("编号:"),
                    valueLabel(m_person.recordNumber, QStringLiteral("oldNumber"), old));
    oldForm->addRow(QStringLiteral("姓名:"),
                    valueLabel(m_person.name, QStringLiteral("name"), old));
    oldForm->addRow(QStringLiteral("性别:"), valueLabel(m_person.sex, QStringLiteral("sex"), old));
    oldForm->addRow(QStringLiteral("年龄:"),
                    valueLabel(store::valueText(m_person.age), QStringLiteral("age"), old));

    auto* change = new QGroupBox(QStringLiteral("更改编号为："), this);
    auto* changeForm = new QFormLayout(change);
    m_newNumber->setObjectName(QStringLiteral("newNumber"));
    m_newNumber->setMaxLength(10);
    changeForm->addRow(QStringLiteral("新编号为:"), m_newNumber);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(old);
    layout->addWidget(change);
    // Enter in the new number moves on; it must not confirm by itself.
    layout->addLayout(commandButtons(this, {{QStringLiteral("&Q 确定"), QStringLiteral("confirm")},
                                            {QStringLiteral("&C 关闭"), QStringLiteral("close")}}));
    connect(findChild<QPushButton*>(QStringLiteral("confirm")), &QPushButton::clicked, this,
            &RenumberDialog::confirm);
    connect(findChild<QPushButton*>(QStringLiteral("close")), &QPushButton::clicked, this,
            &QDialog::reject);
    ui::KeyNavigation::install(this);
}

void RenumberDialog::confirm()
{
    const QString newNumber = m_newNumber->text().trimmed();
    // The old number is used as stored, so that the statements find its rows.
    const QString oldNumber = m_person.recordNumber;
    if (oldNumber.trimmed().isEmpty())
        return;
    QString problem;
    try {
        problem = domain::renumberProblem(m_connection.db(), oldNumber, newNumber);
    } catch (const store::DatabaseError&) {
    }
    if (!problem.isEmpty()) {
        m_prompts.information(this, problem, QStringLiteral("提示信息"));
        return;
    }
    if (!m_prompts.confirm(this,
                           QStringLiteral("确实要更改该评估编号吗？\n\n姓名：%1    编号：%2 → %3")
                               .arg(m_person.name, oldNumber.trimmed(), newNumber),
                           QStringLiteral("提示信息"), QMessageBox::Yes | QMessageBox::No,
                           QMessageBox::No))
        return;
    try {
        domain::renumberPerson(m_connection.db(), oldNumber, newNumber);
        m_renumbered = true;
        m_prompts.information(this, QStringLiteral("更改成功!"), QStringLiteral("信息提示!"));
    } catch (const store::DatabaseError&) {
        m_prompts.error(this, QStringLiteral("更改不成功!"), QStringLiteral("信息提示!"));
    }
    if (m_renumbered)
        accept();
    else
        reject();
}

} // namespace hra::records
