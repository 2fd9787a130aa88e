#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace hra::reportengine {

// One piece of a text box's text: literal text, a field of a data source
// (`[source."field"]` or `[<source."field">]`) or the page number (`[Page#]`).
struct TextPart
{
    enum Kind
    {
        Literal,
        Field,
        PageNumber
    };
    Kind kind = Literal;
    QString text;   // Literal
    QString source; // Field
    QString field;  // Field

    bool operator==(const TextPart&) const = default;
};

// Splits text into parts. Brackets that hold no recognised expression stay
// literal text, so a malformed expression prints as written.
std::vector<TextPart> parseText(const QString& text);

// Whether the text holds any expression at all (fast path for static text).
bool hasExpressions(const QString& text);

// Joins the parts, asking `field` for every field value; expressions side by
// side are joined without separator.
QString
evaluateText(const std::vector<TextPart>& parts,
             const std::function<QString(const QString& source, const QString& field)>& field,
             int pageNumber);

} // namespace hra::reportengine
