#include "questionnaire/ReferencePopup.h"

#include "store/Connection.h"
#include "store/ReferenceRanges.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"

#include <QFormLayout>
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
      m_binding(prompts, this)
{
    setObjectName(QStringLiteral("TFrm_ckz"));
    setWindowTitle(QStringLiteral("参考值"));
    setModal(true);

    auto* form = new QFormLayout;
    const struct
    {
        const char* column;
        QString caption;
        bool number;
    } fields[] = {{"min_value", QStringLiteral("最小值"), true},
                  {"max_value", QStringLiteral("最大值"), true},
                  {"danw", QStringLiteral("单位"), false}};
    for (const auto& f : fields) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(f.column));
        if (f.number) {
            m_binding.number(edit, QLatin1String(f.column), f.caption);
        } else {
            edit->setMaxLength(20);
            m_binding.text(edit, QLatin1String(f.column));
        }
        form->addRow(f.caption, edit);
    }

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
    layout->addLayout(form);
    layout->addLayout(buttons);
    connect(saveButton, &QPushButton::clicked, this, &ReferencePopup::save);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    ui::KeyNavigation::install(this);

    m_binding.load(m_row);
}

QLineEdit* ReferencePopup::field(const QString& column) const
{
    return findChild<QLineEdit*>(column);
}

void ReferencePopup::save()
{
    if (!m_binding.save(m_row))
        return;
    try {
        m_row.store(m_connection.db());
    } catch (const std::exception&) {
        m_prompts.error(this, QStringLiteral("保存不成功!"), QStringLiteral("出错提示!"));
        return;
    }
    accept();
}

QString ReferencePopup::rangeText() const
{
    return store::referenceRangeText(textOrNull(field(QStringLiteral("min_value"))),
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
    store::RowBuffer row = store::referenceRangeBuffer();
    store::openReferenceRange(row, connection.db(), table, column);
    ReferencePopup popup(connection, prompts, row, parent);
    open = &popup;
    popup.exec();
    return popup.rangeText();
}

} // namespace hra::questionnaire
