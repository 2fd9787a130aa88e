#pragma once

#include "domain/FormDeclaration.h"
#include "store/RowBuffer.h"

#include <QHash>
#include <QString>
#include <QVariantList>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

namespace hra::ui {

class OptionGroup;
class PromptService;

// Ties a window's controls to the columns of a row and knows how each kind of
// control is stored:
//   text box        -> its text, NULL when empty
//   number box      -> a number, NULL when empty; other text is refused
//   drop-down       -> the chosen or typed text unchanged, NULL when empty
//   option group    -> the exact option text, NULL when none is chosen
//   tick box        -> its own caption when ticked, "0" when not
class FieldBinding
{
public:
    FieldBinding(PromptService& prompts, QWidget* window);

    // label names the field in the message about a number that is not one.
    void text(QLineEdit* edit, const QString& column);
    void number(QLineEdit* edit, const QString& column, const QString& label,
                std::optional<domain::NumberRange> range = std::nullopt);
    void choice(QComboBox* combo, const QString& column);
    void options(OptionGroup* group, const QString& column);
    void tick(QCheckBox* box, const QString& column);

    // Shows the row's values in the controls (a closed row empties them).
    // Both take what the controls then show as the values they started from.
    void load(const store::RowBuffer& row);
    void clear();

    // Whether any control holds something else than when the row was loaded,
    // cleared or last saved (a number compared as a number, so "70" and "70.0"
    // are the same).
    bool isModified() const;
    // Takes what the controls show now as unchanged (after a successful store).
    void markUnchanged();
    // The values of the controls that hold something else than they started
    // from, by column (a number box's text as typed); and putting such values
    // into the controls again, after another row was loaded.
    QHash<QString, QVariant> changes() const;
    void applyChanges(const QHash<QString, QVariant>& changes) const;

    // Writes the controls into the row. When a number box holds text that is
    // not a number, says so, puts the focus there (focusControl) and writes
    // nothing.
    bool save(store::RowBuffer& row) const;

    // Whether the control of a column holds nothing: blank text, no option
    // chosen. A tick box is never empty. Throws std::logic_error for a column
    // that is not bound.
    bool isEmpty(const QString& column) const;

private:
    enum class Kind
    {
        Text,
        Number,
        Choice,
        Options,
        Tick
    };
    struct Field
    {
        Kind kind;
        QWidget* control;
        QString column;
        QString label;
        std::optional<domain::NumberRange> range = std::nullopt;
    };
    QVariant valueOf(const Field& f) const;
    void show(const Field& f, const QVariant& value) const;

    // The text a control shows, as a number box's value compares.
    QVariant comparable(const Field& f) const;
    bool isModified(size_t index) const;

    PromptService& m_prompts;
    QWidget* m_window;
    std::vector<Field> m_fields;
    QVariantList m_unchanged;
};

// Makes the page holding the control the current one of every stack or tab
// widget around it, scrolls it into view and gives it the focus (an option
// group's first option).
void focusControl(QWidget* control);

} // namespace hra::ui
