#include "windows/questionnaire/ReferencePopup.h"

#include "domain/ReferenceRanges.h"
#include "store/Connection.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>

namespace hra::questionnaire {
namespace {

QVariant textOrNull(const QLineEdit* edit)
{
    const QString t = edit->text().trimmed();
    return t.isEmpty() ? QVariant() : QVariant(t);
}

} // namespace

ReferencePopup::ReferencePopup(store::Connection& connection, ui::PromptService& prompts,
                               store::RowBuffer& row, QWidget* parent)
    : QDialog(parent), m_connection(connection), m_prompts(prompts), m_row(row),
      m_form(new ui::Form(domain::referenceRangeForm(), prompts, this))
{
    setObjectName(QStringLiteral("TFrm_ckz"));
    setWindowTitle(QStringLiteral("参考值"));
    setModal(true);

    auto* saveButton = new ui::FlatButton(QStringLiteral("&S 保存"), this);
    saveButton->setObjectName(QStringLiteral("save"));
    auto* closeButton = new ui::FlatButton(QStringLiteral("&C 关闭"), this);
    closeButton->setObjectName(QStringLiteral("close"));
    saveButton->setAutoDefault(false);
    closeButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_form->sections().constFirst());
    layout->addLayout(buttons);
    connect(saveButton, &QPushButton::clicked, this, &ReferencePopup::save);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    ui::KeyNavigation::install(this);

    m_form->load(m_row);
}

QLineEdit* ReferencePopup::field(const QString& column) const
{
    return qobject_cast<QLineEdit*>(m_form->control(column));
}

void ReferencePopup::save()
{
    if (!m_form->save(m_row))
        return;
    try {
        m_row.store(m_connection.db());
    } catch (const store::StaleRowError&) {
        m_prompts.error(this,
                        ui::kChangedElsewhere +
                            QStringLiteral("本次未保存,请关闭后重新打开参考值再修改。"),
                        QStringLiteral("出错提示!"));
        return;
    } catch (const store::DatabaseError& e) {
        m_prompts.error(this,
                        ui::isConnectionLost(e) ? ui::kConnectionLostOnSave
                                                : QStringLiteral("保存不成功!"),
                        QStringLiteral("出错提示!"));
        return;
    }
    accept();
}

QString ReferencePopup::rangeText() const
{
    return domain::referenceRangeText(textOrNull(field(QStringLiteral("min_value"))),
                                      textOrNull(field(QStringLiteral("max_value"))),
                                      field(QStringLiteral("danw"))->text());
}

QString editReferenceRange(store::Connection& connection, ui::PromptService& prompts,
                           QWidget* parent, const QString& table, const QString& column)
{
    // One popup at a time: a second click while it is open does nothing.
    static QPointer<ReferencePopup> open;
    if (open)
        return {};
    store::RowBuffer row = domain::referenceRangeBuffer();
    domain::openReferenceRange(row, connection.db(), table, column);
    ReferencePopup popup(connection, prompts, row, parent);
    open = &popup;
    popup.exec();
    return popup.rangeText();
}

} // namespace hra::questionnaire
