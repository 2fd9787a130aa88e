#include "reportengine/layout/Expression.h"

namespace hra::reportengine {

namespace {

// `source."field"`, optionally wrapped in angle brackets; false otherwise.
bool parseFieldReference(QString inner, QString* source, QString* field)
{
    inner = inner.trimmed();
    if (inner.startsWith(u'<') && inner.endsWith(u'>'))
        inner = inner.mid(1, inner.size() - 2).trimmed();
    const qsizetype dot = inner.indexOf(QLatin1String(".\""));
    if (dot <= 0 || !inner.endsWith(u'"') || inner.size() < dot + 3)
        return false;
    const QString name = inner.left(dot).trimmed();
    const QString quoted = inner.mid(dot + 2, inner.size() - dot - 3);
    if (name.isEmpty() || quoted.contains(u'"'))
        return false;
    for (QChar c : name) {
        if (c.isSpace() || c == u'"' || c == u'<' || c == u'>' || c == u'[')
            return false;
    }
    *source = name;
    *field = quoted;
    return true;
}

void appendLiteral(std::vector<TextPart>& parts, const QString& text)
{
    if (text.isEmpty())
        return;
    if (!parts.empty() && parts.back().kind == TextPart::Literal)
        parts.back().text += text;
    else
        parts.push_back({TextPart::Literal, text, {}, {}});
}

} // namespace

bool hasExpressions(const QString& text)
{
    return text.contains(u'[');
}

std::vector<TextPart> parseText(const QString& text)
{
    std::vector<TextPart> parts;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(u'[', pos);
        if (open < 0) {
            appendLiteral(parts, text.mid(pos));
            break;
        }
        const qsizetype close = text.indexOf(u']', open + 1);
        if (close < 0) {
            appendLiteral(parts, text.mid(pos));
            break;
        }
        // A '[' inside the brackets starts the expression afresh: "[[a."b"]".
        const qsizetype reopen = text.lastIndexOf(u'[', close);
        appendLiteral(parts, text.mid(pos, reopen - pos));
        const QString inner = text.mid(reopen + 1, close - reopen - 1);
        QString source, field;
        if (inner.trimmed() == QLatin1String("Page#"))
            parts.push_back({TextPart::PageNumber, {}, {}, {}});
        else if (parseFieldReference(inner, &source, &field))
            parts.push_back({TextPart::Field, {}, source, field});
        else
            appendLiteral(parts, text.mid(reopen, close - reopen + 1));
        pos = close + 1;
    }
    return parts;
}

QString evaluateText(const std::vector<TextPart>& parts,
                     const std::function<QString(const QString&, const QString&)>& field,
                     int pageNumber)
{
    QString out;
    for (const TextPart& part : parts) {
        switch (part.kind) {
        case TextPart::Literal:
            out += part.text;
            break;
        case TextPart::Field:
            out += field(part.source, part.field);
            break;
        case TextPart::PageNumber:
            out += QString::number(pageNumber);
            break;
        }
    }
    return out;
}

} // namespace hra::reportengine
