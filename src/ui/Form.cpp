#include "ui/Form.h"

#include "ui/OptionGroup.h"
#include "ui/PromptService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <stdexcept>

namespace hra::ui {
namespace {

using domain::ControlKind;
using domain::FieldDeclaration;

bool hasLabel(const FieldDeclaration& f)
{
    return f.kind != ControlKind::Tick && f.kind != ControlKind::Options;
}

bool hasSuffix(const FieldDeclaration& f)
{
    return hasLabel(f) && (!f.unit.isEmpty() || !f.reference.name.isEmpty());
}

} // namespace

void makeReadOnly(QLineEdit* edit)
{
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    QPalette shaded = edit->palette();
    shaded.setColor(QPalette::Base, shaded.color(QPalette::Window));
    edit->setPalette(shaded);
}

Form::Form(domain::FormDeclaration declared, PromptService& prompts, QWidget* parent)
    : QObject(parent), m_declaration(std::move(declared)), m_prompts(prompts), m_parent(parent),
      m_binding(prompts, parent)
{
    if (!store::table(m_declaration.table))
        throw std::logic_error("form of unknown table " + m_declaration.table.toStdString());
    for (const domain::SectionDeclaration& s : m_declaration.sections)
        buildSection(s, parent);
    m_binding.clear();
}

QWidget* Form::section(const QString& name) const
{
    for (QWidget* s : m_sections)
        if (s->objectName() == name)
            return s;
    return nullptr;
}

QGridLayout* Form::sectionGrid(const QString& name) const
{
    QWidget* s = section(name);
    return s ? qobject_cast<QGridLayout*>(s->layout()) : nullptr;
}

void Form::buildSection(const domain::SectionDeclaration& section, QWidget* parent)
{
    QWidget* frame =
        section.caption.isEmpty() ? new QWidget(parent) : new QGroupBox(section.caption, parent);
    frame->setObjectName(section.name);
    auto* grid = new QGridLayout(frame);
    if (section.caption.isEmpty())
        grid->setContentsMargins(0, 0, 0, 0);
    std::vector<const FieldDeclaration*> fields;
    for (const FieldDeclaration& f : section.fields)
        fields.push_back(&f);
    placeFields(grid, fields, section.columns);
    m_sections << frame;
}

// Fields go into cells, `columns` cells to a row; a cell is a label, its
// control and (when any field of the grid has one) a unit or reference label.
void Form::placeFields(QGridLayout* grid, const std::vector<const FieldDeclaration*>& fields,
                       int columns)
{
    QWidget* box = grid->parentWidget();
    columns = std::max(1, columns);
    bool anySuffix = false;
    for (const FieldDeclaration* f : fields)
        anySuffix = anySuffix || hasSuffix(*f);
    const int cellWidth = anySuffix ? 3 : 2;
    // Room to spare goes to the controls, not to their labels.
    for (int c = 0; c < columns; ++c)
        grid->setColumnStretch(c * cellWidth + 1, 1);
    int row = 0;
    int col = 0;
    QHash<QString, QHBoxLayout*> tickCells;

    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldDeclaration& f = *fields[i];
        if (!f.besideTick.isEmpty()) {
            QHBoxLayout* cell = tickCells.value(f.besideTick);
            auto* tick = qobject_cast<QCheckBox*>(m_controls.value(f.besideTick));
            if (!cell || !tick)
                throw std::logic_error(f.column.toStdString() + " is declared beside " +
                                       f.besideTick.toStdString() + ", no tick box before it");
            QWidget* control = makeControl(f, box);
            cell->addWidget(control, 1);
            control->setVisible(false);
            connect(tick, &QCheckBox::toggled, control, &QWidget::setVisible);
            continue;
        }

        const int span = f.wide ? columns : 1;
        if (span > 1 && col != 0) {
            ++row;
            col = 0;
        }
        const int x = col * cellWidth;
        const int width = cellWidth * span;

        if (!f.group.isEmpty()) {
            // The field and its neighbours of the same group, in a frame of their own.
            std::vector<const FieldDeclaration*> members;
            int shown = 0;
            for (; i < fields.size() && fields[i]->group == f.group; ++i) {
                members.push_back(fields[i]);
                shown += fields[i]->besideTick.isEmpty() ? 1 : 0;
            }
            --i;
            auto* frame = new QGroupBox(f.group, box);
            auto* inner = new QGridLayout(frame);
            grid->addWidget(frame, row, x, 1, width);
            std::vector<FieldDeclaration> ungrouped;
            for (const FieldDeclaration* m : members) {
                ungrouped.push_back(*m);
                ungrouped.back().group.clear();
            }
            std::vector<const FieldDeclaration*> pointers;
            for (const FieldDeclaration& m : ungrouped)
                pointers.push_back(&m);
            placeFields(inner, pointers, shown);
        } else if (f.kind == ControlKind::Tick) {
            auto* cell = new QHBoxLayout;
            cell->addWidget(makeControl(f, box));
            grid->addLayout(cell, row, x, 1, width);
            tickCells.insert(f.column, cell);
        } else if (f.kind == ControlKind::Options) {
            grid->addWidget(makeControl(f, box), row, x, 1, width);
        } else {
            const bool required = f.isRequired() && !m_declaration.requiredMark.isEmpty();
            auto* label =
                new QLabel(required ? m_declaration.requiredMark + f.caption : f.caption, box);
            QWidget* control = makeControl(f, box);
            label->setBuddy(control);
            m_labels.insert(f.column, label);
            QWidget* suffix = makeSuffix(f, box);
            grid->addWidget(label, row, x);
            const int controlSpan = f.wide ? width - 1 - (suffix ? 1 : 0) : 1;
            grid->addWidget(control, row, x + 1, 1, controlSpan);
            if (suffix)
                grid->addWidget(suffix, row, x + width - 1);
        }

        col += span;
        if (col >= columns) {
            ++row;
            col = 0;
        }
    }
}

QWidget* Form::makeControl(const FieldDeclaration& f, QWidget* parent)
{
    const store::ColumnDef* column = store::column(m_declaration.table, f.column);
    if (!column)
        throw std::logic_error("field " + f.column.toStdString() + " is no column of " +
                               m_declaration.table.toStdString());
    const bool limited =
        column->type == store::ColumnType::Text || column->type == store::ColumnType::FixedText;
    QWidget* control = nullptr;
    switch (f.kind) {
    case ControlKind::Text: {
        auto* edit = new QLineEdit(parent);
        if (limited)
            edit->setMaxLength(column->width);
        m_binding.text(edit, f.column);
        control = edit;
        break;
    }
    case ControlKind::Number: {
        auto* edit = new QLineEdit(parent);
        if (f.maxLength > 0)
            edit->setMaxLength(f.maxLength);
        m_binding.number(edit, f.column, f.caption, f.range);
        control = edit;
        break;
    }
    case ControlKind::Choice: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(f.options);
        if (limited)
            combo->lineEdit()->setMaxLength(column->width);
        m_binding.choice(combo, f.column);
        control = combo;
        break;
    }
    case ControlKind::Options: {
        const bool required = f.isRequired() && !m_declaration.requiredMark.isEmpty();
        const int perRow = f.optionColumns > 0 ? f.optionColumns : int(f.options.size());
        auto* group = new OptionGroup(required ? m_declaration.requiredMark + f.caption : f.caption,
                                      f.options, perRow, parent);
        m_binding.options(group, f.column);
        control = group;
        break;
    }
    case ControlKind::Tick: {
        auto* box = new QCheckBox(f.caption, parent);
        m_binding.tick(box, f.column);
        control = box;
        break;
    }
    }
    control->setObjectName(f.column);
    if (f.readOnly) {
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            makeReadOnly(edit);
        else
            control->setEnabled(false);
    }
    m_controls.insert(f.column, control);
    return control;
}

QWidget* Form::makeSuffix(const FieldDeclaration& f, QWidget* parent)
{
    if (!hasSuffix(f))
        return nullptr;
    QLabel* unit = f.unit.isEmpty() ? nullptr : new QLabel(f.unit, parent);
    QLabel* reference = nullptr;
    if (!f.reference.name.isEmpty()) {
        reference = new QLabel(f.reference.text, parent);
        reference->setObjectName(f.reference.name);
        reference->installEventFilter(this);
        m_references.insert(f.column, reference);
    }
    if (!unit || !reference)
        return unit ? unit : reference;
    auto* both = new QWidget(parent);
    auto* row = new QHBoxLayout(both);
    row->setContentsMargins(0, 0, 0, 0);
    unit->setParent(both);
    reference->setParent(both);
    row->addWidget(unit);
    row->addWidget(reference);
    return both;
}

bool Form::save(store::RowBuffer& row) const
{
    if (!m_binding.save(row))
        return false;
    const domain::FieldOrder* broken = domain::brokenOrder(
        m_declaration, [&row](const QString& column) { return row.value(column); });
    if (!broken)
        return true;
    m_prompts.error(m_parent->window(), broken->message, QStringLiteral("出错提示"));
    focusControl(m_controls.value(broken->lower));
    return false;
}

const FieldDeclaration* Form::firstMissing() const
{
    for (const FieldDeclaration* f : m_declaration.fields())
        if (f->isRequired() && m_binding.isEmpty(f->column))
            return f;
    return nullptr;
}

bool Form::checkRequired() const
{
    const FieldDeclaration* missing = firstMissing();
    if (!missing)
        return true;
    m_prompts.error(m_parent->window(), missing->requiredMessage, m_declaration.requiredCaption);
    focusControl(m_controls.value(missing->column));
    return false;
}

bool Form::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        for (auto it = m_references.cbegin(); it != m_references.cend(); ++it)
            if (it.value() == watched) {
                emit referenceClicked(it.key());
                return true;
            }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace hra::ui
