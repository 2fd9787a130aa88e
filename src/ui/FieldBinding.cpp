#include "ui/FieldBinding.h"

#include "domain/FormDeclaration.h"
#include "store/NumberText.h"
#include "ui/OptionGroup.h"
#include "ui/PromptService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <stdexcept>

namespace hra::ui {
namespace {

QVariant textOrNull(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

FieldBinding::FieldBinding(PromptService& prompts, QWidget* window)
    : m_prompts(prompts), m_window(window)
{
}

void FieldBinding::text(QLineEdit* edit, const QString& column)
{
    m_fields.push_back({Kind::Text, edit, column, {}});
}

void FieldBinding::number(QLineEdit* edit, const QString& column, const QString& label,
                          std::optional<domain::NumberRange> range)
{
    m_fields.push_back({Kind::Number, edit, column, label, range});
}

void FieldBinding::choice(QComboBox* combo, const QString& column)
{
    m_fields.push_back({Kind::Choice, combo, column, {}});
}

void FieldBinding::options(OptionGroup* group, const QString& column)
{
    m_fields.push_back({Kind::Options, group, column, {}});
}

void FieldBinding::tick(QCheckBox* box, const QString& column)
{
    m_fields.push_back({Kind::Tick, box, column, {}});
}

bool FieldBinding::isEmpty(const QString& column) const
{
    for (const Field& f : m_fields) {
        if (f.column != column)
            continue;
        switch (f.kind) {
        case Kind::Text:
        case Kind::Number:
            return static_cast<QLineEdit*>(f.control)->text().trimmed().isEmpty();
        case Kind::Choice:
            return static_cast<QComboBox*>(f.control)->currentText().trimmed().isEmpty();
        case Kind::Options:
            return static_cast<OptionGroup*>(f.control)->value().isNull();
        case Kind::Tick:
            return false;
        }
    }
    throw std::logic_error("column " + column.toStdString() + " is not bound");
}

QVariant FieldBinding::valueOf(const Field& f) const
{
    switch (f.kind) {
    case Kind::Text:
        return textOrNull(static_cast<QLineEdit*>(f.control)->text());
    case Kind::Number: {
        bool ok = false;
        return domain::parseNumber(static_cast<QLineEdit*>(f.control)->text(), &ok);
    }
    case Kind::Choice:
        return textOrNull(static_cast<QComboBox*>(f.control)->currentText());
    case Kind::Options: {
        const QString v = static_cast<OptionGroup*>(f.control)->value();
        return v.isNull() ? QVariant() : QVariant(v);
    }
    case Kind::Tick: {
        auto* box = static_cast<QCheckBox*>(f.control);
        return box->isChecked() ? box->text() : QStringLiteral("0");
    }
    }
    return {};
}

void FieldBinding::show(const Field& f, const QVariant& value) const
{
    switch (f.kind) {
    case Kind::Text:
        static_cast<QLineEdit*>(f.control)->setText(value.toString());
        break;
    case Kind::Number:
        static_cast<QLineEdit*>(f.control)->setText(store::valueText(value));
        break;
    case Kind::Choice:
        static_cast<QComboBox*>(f.control)->setCurrentText(value.toString());
        break;
    case Kind::Options:
        static_cast<OptionGroup*>(f.control)->setValue(value.isNull() ? QString()
                                                                      : value.toString());
        break;
    case Kind::Tick: {
        auto* box = static_cast<QCheckBox*>(f.control);
        box->setChecked(!value.isNull() && value.toString() == box->text());
        break;
    }
    }
}

void FieldBinding::load(const store::RowBuffer& row)
{
    for (const Field& f : m_fields)
        show(f, row.value(f.column));
    markUnchanged();
}

void FieldBinding::clear()
{
    for (const Field& f : m_fields)
        show(f, QVariant());
    markUnchanged();
}

QVariant FieldBinding::comparable(const Field& f) const
{
    if (f.kind != Kind::Number)
        return valueOf(f);
    // Text that is no number yet is compared as typed.
    const QString text = static_cast<QLineEdit*>(f.control)->text();
    bool ok = false;
    const QVariant number = domain::parseNumber(text, &ok);
    if (!ok)
        return text.trimmed();
    return number.isNull() ? QVariant() : QVariant(number.toDouble());
}

void FieldBinding::markUnchanged()
{
    m_unchanged.clear();
    for (const Field& f : m_fields)
        m_unchanged << comparable(f);
}

bool FieldBinding::isModified(size_t index) const
{
    const QVariant before =
        index < size_t(m_unchanged.size()) ? m_unchanged.at(qsizetype(index)) : QVariant();
    const QVariant now = comparable(m_fields[index]);
    return before.isNull() != now.isNull() || (!now.isNull() && before != now);
}

bool FieldBinding::isModified() const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (isModified(i))
            return true;
    return false;
}

QHash<QString, QVariant> FieldBinding::changes() const
{
    QHash<QString, QVariant> changed;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (!isModified(i))
            continue;
        const Field& f = m_fields[i];
        changed.insert(f.column, f.kind == Kind::Number
                                     ? QVariant(static_cast<QLineEdit*>(f.control)->text())
                                     : valueOf(f));
    }
    return changed;
}

void FieldBinding::applyChanges(const QHash<QString, QVariant>& changes) const
{
    for (const Field& f : m_fields) {
        const auto it = changes.constFind(f.column);
        if (it == changes.cend())
            continue;
        if (f.kind == Kind::Number)
            static_cast<QLineEdit*>(f.control)->setText(it->toString());
        else
            show(f, *it);
    }
}

bool FieldBinding::save(store::RowBuffer& row) const
{
    for (const Field& f : m_fields) {
        if (f.kind != Kind::Number)
            continue;
        bool ok = false;
        const QString text = static_cast<QLineEdit*>(f.control)->text();
        const QVariant number = domain::parseNumber(text, &ok);
        QString problem;
        if (!ok)
            problem = QStringLiteral("“%1”不是有效的数字: %2").arg(f.label, text.trimmed());
        else if (f.range && !number.isNull() && !f.range->contains(number.toDouble()))
            problem =
                QStringLiteral("“%1”%2: %3").arg(f.label, f.range->description(), text.trimmed());
        if (!problem.isEmpty()) {
            m_prompts.error(m_window, problem, QStringLiteral("出错提示"));
            focusControl(f.control);
            return false;
        }
    }
    for (const Field& f : m_fields) {
        QVariant value = valueOf(f);
        // A number kept in a text column is stored as its text.
        if (f.kind == Kind::Number && !value.isNull())
            if (const store::ColumnDef* c = store::column(row.table(), f.column);
                c &&
                (c->type == store::ColumnType::Text || c->type == store::ColumnType::FixedText))
                value = store::valueText(value);
        if (!row.setValue(f.column, value))
            throw std::logic_error("bound column " + f.column.toStdString() + " is not in table " +
                                   row.table().toStdString());
    }
    return true;
}

void focusControl(QWidget* control)
{
    for (QWidget* w = control; w && !w->isWindow(); w = w->parentWidget()) {
        QWidget* parent = w->parentWidget();
        if (auto* stack = qobject_cast<QStackedWidget*>(parent)) {
            if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
                tabs->setCurrentWidget(w);
            else
                stack->setCurrentWidget(w);
        }
        if (auto* area = qobject_cast<QScrollArea*>(w))
            area->ensureWidgetVisible(control);
    }
    if (auto* group = qobject_cast<OptionGroup*>(control))
        control = group->button(0);
    control->setFocus();
}

} // namespace hra::ui
