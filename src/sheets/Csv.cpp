#include "sheets/Csv.h"

#include <QStringDecoder>

namespace hra::sheets {
namespace {

QString decode(const QByteArray& bytes, const QString& encoding)
{
    const QByteArrayView utf8Bom("\xEF\xBB\xBF");
    if (encoding.isEmpty()) {
        if (bytes.startsWith(utf8Bom))
            return QString::fromUtf8(bytes.mid(3));
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
        // What spreadsheet programs on Chinese systems save.
        return decode(bytes, QStringLiteral("GB18030"));
    }
    const QByteArray name = encoding.toLatin1();
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        throw SheetError(QStringLiteral("不支持的编码“%1”").arg(encoding));
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw SheetError(QStringLiteral("文件内容不是%1编码").arg(encoding));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// Tab when the first line holds more tabs than commas outside quotes.
QChar separatorOf(const QString& text)
{
    int commas = 0;
    int tabs = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && (c == u'\n' || c == u'\r'))
            break;
        else if (!quoted && c == u',')
            ++commas;
        else if (!quoted && c == u'\t')
            ++tabs;
    }
    return tabs > commas ? QChar(u'\t') : QChar(u',');
}

} // namespace

Sheet parseCsv(const QByteArray& bytes, const QString& encoding)
{
    const QString text = decode(bytes, encoding);
    const QChar separator = separatorOf(text);
    Sheet sheet;
    Row row{1, {}};
    QString field;
    bool quoted = false;     // inside a quoted field
    bool wasQuoted = false;  // the field began with a quote
    bool rowStarted = false; // anything of the row seen
    int quoteLine = 0;
    const auto endField = [&] {
        row.cells << field;
        field.clear();
        wasQuoted = false;
    };
    const auto endRow = [&] {
        endField();
        sheet.rows << row;
        row = Row{row.number + 1, {}};
        rowStarted = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = true;
            wasQuoted = true;
            rowStarted = true;
            quoteLine = row.number;
        } else if (c == separator) {
            endField();
            rowStarted = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
            endRow();
        } else {
            // A quote after a closing one or inside an unquoted field is kept as it stands.
            field += c;
            rowStarted = true;
        }
    }
    if (quoted)
        throw SheetError(QStringLiteral("第%1行的引号没有结束").arg(quoteLine));
    if (rowStarted || !field.isEmpty())
        endRow();
    return sheet;
}

} // namespace hra::sheets
