#pragma once

#include "domain/FormDeclaration.h"
#include "store/RowBuffer.h"
#include "ui/FieldBinding.h"

#include <QHash>
#include <QList>
#include <QObject>

class QGridLayout;
class QLabel;
class QLineEdit;
class QWidget;

namespace hra::ui {

class PromptService;

// The controls of a declared form, bound to the columns of its table.
//
// Each section becomes a frame titled by its caption (a plain widget when it
// has none) named by the section, holding a grid: label and control side by
// side, `columns` fields to a row, a wide field across the row, a unit or
// reference label after its control. A tick box or an option group carries
// its own caption and takes the place of label and control. Every control is
// named by its column, every label has its control as buddy, text widths come
// from the declared column list, and the tab order is the declared order.
class Form : public QObject
{
    Q_OBJECT
public:
    // Builds the controls as children of parent, empty. Throws
    // std::logic_error when a field names no column of the table.
    Form(domain::FormDeclaration declared, PromptService& prompts, QWidget* parent);

    const domain::FormDeclaration& declaration() const { return m_declaration; }

    // The sections in declared order, for the caller to lay out.
    const QList<QWidget*>& sections() const { return m_sections; }
    QWidget* section(const QString& name) const;
    // The grid of a section, for a window that adds controls of its own.
    QGridLayout* sectionGrid(const QString& name) const;

    QWidget* control(const QString& column) const { return m_controls.value(column); }
    // The caption before a control (nullptr for tick boxes and option groups).
    QLabel* label(const QString& column) const { return m_labels.value(column); }
    QLabel* referenceLabel(const QString& column) const { return m_references.value(column); }

    // The binding of every declared field; a window binds its own extra
    // controls here too.
    FieldBinding& binding() { return m_binding; }
    void load(const store::RowBuffer& row) { m_binding.load(row); }
    // Writes the controls into the row: false (with a message naming the
    // field, and the focus there) when a number is none or out of its range,
    // or two values break their declared order.
    bool save(store::RowBuffer& row) const;
    void clear() { m_binding.clear(); }
    // Whether the controls hold something else than what was loaded, cleared
    // or marked unchanged.
    bool isModified() const { return m_binding.isModified(); }
    void markUnchanged() { m_binding.markUnchanged(); }

    // The first required field, in declared order, whose control holds
    // nothing (blank text, no option chosen); nullptr when none.
    const domain::FieldDeclaration* firstMissing() const;
    // Shows the message of the first missing required value (titled by the
    // form's required caption, with an error icon), brings the page holding
    // its control forward and puts the focus there. True when nothing is missing.
    bool checkRequired() const;

signals:
    // A reference label was clicked.
    void referenceClicked(const QString& column);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSection(const domain::SectionDeclaration& section, QWidget* parent);
    void placeFields(QGridLayout* grid, const std::vector<const domain::FieldDeclaration*>& fields,
                     int columns);
    QWidget* makeControl(const domain::FieldDeclaration& field, QWidget* parent);
    QWidget* makeSuffix(const domain::FieldDeclaration& field, QWidget* parent);

    domain::FormDeclaration m_declaration;
    PromptService& m_prompts;
    QWidget* m_parent;
    FieldBinding m_binding;
    QList<QWidget*> m_sections;
    QHash<QString, QWidget*> m_controls;
    QHash<QString, QLabel*> m_labels;
    QHash<QString, QLabel*> m_references;
};

// A text box that shows a value the operator does not type: read-only, out
// of the tab order, shaded like the window.
void makeReadOnly(QLineEdit* edit);

} // namespace hra::ui
