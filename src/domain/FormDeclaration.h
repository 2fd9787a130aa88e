#pragma once

#include "store/Schema.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

namespace hra::domain {

// A form as data: which column each control edits, what kind of control it
// is, its options and messages, and hints for laying it out. Windows build
// their controls from it (ui::Form); code without windows checks values
// against the same declaration (checkValue).

enum class ControlKind
{
    Text,    // a text box; stores what is typed, NULL when empty
    Number,  // a text box for a number; stores the number, NULL when empty
    Choice,  // a drop-down that also takes typed text; stores the text, NULL when empty
    Options, // mutually exclusive options; stores the chosen text, NULL when none
    Tick,    // a tick box; stores its caption when ticked, "0" when not
};

// A reference range shown after a value, which the manager may click to edit.
struct ReferenceLabel
{
    QString name; // objectName of the label ("Lab_kfxt"); empty: no label
    QString text; // shown until the database gives a range
};

// The numbers a number field takes.
struct NumberRange
{
    double minimum = 0;
    double maximum = 0;
    bool whole = false; // whole numbers only
    // Most digits after the point that are measured; -1: any.
    int decimals = -1;

    bool contains(double value) const;
    // "必须是0到150之间的整数", "必须是0.5到2.5之间的数(最多2位小数)", for the operator.
    QString description() const;
};

// Two number fields of a form of which the first must be the larger (systolic
// above diastolic pressure), with the message saying so.
struct FieldOrder
{
    QString higher;
    QString lower;
    QString message;
};

struct FieldDeclaration
{
    QString column;
    // The label before the control; the title of an option group; the text a
    // tick box shows and stores.
    QString caption;
    ControlKind kind = ControlKind::Text;
    // Choice and Options: the texts offered, in order, stored exactly.
    QStringList options;
    // Not empty: the value is required, and this message names it.
    QString requiredMessage;
    // A fixed text after the control ("kg", "ml/日").
    QString unit;
    ReferenceLabel reference;

    // Layout hints.
    bool wide = false;     // takes a whole row of its section
    int optionColumns = 0; // Options: options side by side (0: all in one row)
    // Fields next to each other with the same group share one frame titled by it.
    QString group;
    // Placed beside the tick box of this column and shown only while it is ticked.
    QString besideTick;
    bool readOnly = false; // shown, never typed (a key, a computed value)
    int maxLength = 0;     // Number: characters that may be typed; 0: no limit
    // Number: the values it takes; none: any number.
    std::optional<NumberRange> range;

    bool isRequired() const { return !requiredMessage.isEmpty(); }
};

struct SectionDeclaration
{
    QString name;    // objectName of the section's frame
    QString caption; // its title; empty: no frame
    int columns = 1; // fields side by side
    std::vector<FieldDeclaration> fields;
};

struct FormDeclaration
{
    QString table;
    std::vector<SectionDeclaration> sections;
    // The title of the message about a missing required value.
    QString requiredCaption;
    // Put before the caption of each required field ("*"); empty: nothing.
    QString requiredMark;
    // Pairs of fields whose values must keep an order when both are given.
    std::vector<FieldOrder> orders;

    // The field of a column, or nullptr.
    const FieldDeclaration* field(QStringView column) const;
    // Every field in declared order.
    std::vector<const FieldDeclaration*> fields() const;
};

enum class ValueProblem
{
    None,
    Missing,       // a required value is NULL or blank
    NotAnOption,   // an option column holding a text that is none of its options
    NotATick,      // a tick column holding something other than its caption or "0"
    NotANumber,    // a number field holding text that is no number
    TooLong,       // text wider than its column
    UnknownColumn, // the form has no such field, or its table no such column
    OutOfRange,    // a number outside its field's range (or not whole where it must be)
};

// Whether a value may be stored in a field: a required value is present; an
// option field holds exactly one of its texts (or NULL); a tick its caption
// or "0"; a number field a number (or NULL); any text fits its column.
// An empty text counts as NULL, as the controls store it.
ValueProblem checkValue(const FieldDeclaration& field, const store::ColumnDef& column,
                        const QVariant& value);
// The same, looking the field up in the form and the column in its table.
ValueProblem checkValue(const FormDeclaration& form, QStringView column, const QVariant& value);

// Why a value cannot be stored in a field, in the operator's words and
// without the field's caption: the required message, "“200”必须是0到150之间的整数".
QString valueProblemText(ValueProblem problem, const FieldDeclaration& field,
                         const store::ColumnDef& column, const QVariant& value);

// The first order of the form that the values (column -> value, numbers or
// their text) break, or nullptr. A missing or non-numeric value breaks none.
const FieldOrder* brokenOrder(const FormDeclaration& form,
                              const std::function<QVariant(const QString&)>& valueOf);

// The number a typed text stands for: NULL for blank text, a whole number as
// an integer, else a double. ok is false (and the result NULL) when the text
// is no number.
QVariant parseNumber(const QString& text, bool* ok);

} // namespace hra::domain
