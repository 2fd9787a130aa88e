#include "sheets/Csv.h"

#include <QBuffer>
#include <QStringDecoder>
#include <optional>

namespace hra::sheets {
namespace {

constexpr qint64 kChunkBytes = 64 * 1024;
const QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

// Whether the whole device holds valid UTF-8; reads it through and back.
bool wholeUtf8(QIODevice& device)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    while (!device.atEnd()) {
        const QString text = utf8.decode(device.read(kChunkBytes));
        if (utf8.hasError())
            break;
    }
    const bool valid = !utf8.hasError();
    if (!device.seek(0))
        throw SheetError(QStringLiteral("无法读取文件"));
    return valid;
}

// Tab when the first line holds more tabs than commas outside quotes;
// nothing while the text does not reach the first line's end.
std::optional<QChar> separatorOf(const QString& text, bool whole)
{
    int commas = 0;
    int tabs = 0;
    bool quoted = false;
    bool ended = whole;
    for (const QChar c : text) {
        if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && (c == u'\n' || c == u'\r')) {
            ended = true;
            break;
        } else if (!quoted && c == u',') {
            ++commas;
        } else if (!quoted && c == u'\t') {
            ++tabs;
        }
    }
    if (!ended)
        return std::nullopt;
    return tabs > commas ? QChar(u'\t') : QChar(u',');
}

class CsvRows final : public RowReader
{
public:
    CsvRows(std::unique_ptr<QIODevice> device, const QString& encoding)
        : m_device(std::move(device)), m_encoding(encoding)
    {
        QString name = encoding;
        if (name.isEmpty()) {
            if (m_device->peek(3) == kUtf8Bom)
                m_device->read(3);
            name = m_device->peek(3).isEmpty() || wholeUtf8(*m_device)
                       ? QStringLiteral("UTF-8")
                       // What spreadsheet programs on Chinese systems save.
                       : QStringLiteral("GB18030");
        }
        m_decoder = QStringDecoder(name.toLatin1().constData());
        if (!m_decoder.isValid())
            throw SheetError(QStringLiteral("不支持的编码“%1”").arg(encoding));
        if (m_encoding.isEmpty())
            m_encoding = name;
        while (!m_end && !(m_separator = separatorOf(m_text, false)))
            more();
        if (!m_separator)
            m_separator = separatorOf(m_text, true);
        if (m_text.startsWith(QChar(0xFEFF)))
            m_pos = 1;
    }

    bool next(Row& row) override
    {
        row = Row{m_number, {}};
        QString field;
        bool quoted = false;     // inside a quoted field
        bool wasQuoted = false;  // the field began with a quote
        bool rowStarted = false; // anything of the row seen
        QChar c;
        while (take(c)) {
            if (quoted) {
                QChar after;
                if (c != u'"') {
                    field += c;
                } else if (peek(after) && after == u'"') {
                    field += c;
                    ++m_pos;
                } else {
                    quoted = false;
                }
                continue;
            }
            if (c == u'"' && field.isEmpty() && !wasQuoted) {
                quoted = true;
                wasQuoted = true;
                rowStarted = true;
            } else if (c == *m_separator) {
                row.cells << field;
                field.clear();
                wasQuoted = false;
                rowStarted = true;
            } else if (c == u'\r' || c == u'\n') {
                QChar after;
                if (c == u'\r' && peek(after) && after == u'\n')
                    ++m_pos;
                row.cells << field;
                ++m_number;
                return true;
            } else {
                // A quote after a closing one or inside an unquoted field is kept as it stands.
                field += c;
                rowStarted = true;
            }
        }
        if (quoted)
            throw SheetError(QStringLiteral("第%1行的引号没有结束").arg(m_number));
        if (!rowStarted && field.isEmpty())
            return false;
        row.cells << field;
        ++m_number;
        return true;
    }

private:
    // Decodes the next chunk behind what is left of the text.
    void more()
    {
        if (m_end)
            return;
        const QByteArray bytes = m_device->read(kChunkBytes);
        if (bytes.isEmpty())
            m_end = true;
        const QString text = m_decoder.decode(bytes);
        m_text = m_text.mid(m_pos) + text;
        m_pos = 0;
        if (m_decoder.hasError())
            throw SheetError(QStringLiteral("文件内容不是%1编码").arg(m_encoding));
    }
    bool peek(QChar& c)
    {
        while (m_pos >= m_text.size() && !m_end)
            more();
        if (m_pos >= m_text.size())
            return false;
        c = m_text.at(m_pos);
        return true;
    }
    bool take(QChar& c)
    {
        if (!peek(c))
            return false;
        ++m_pos;
        return true;
    }

    std::unique_ptr<QIODevice> m_device;
    QString m_encoding;
    QStringDecoder m_decoder;
    QString m_text;
    qsizetype m_pos = 0;
    bool m_end = false;
    std::optional<QChar> m_separator;
    int m_number = 1;
};

} // namespace

std::unique_ptr<RowReader> csvRows(std::unique_ptr<QIODevice> device, const QString& encoding)
{
    return std::make_unique<CsvRows>(std::move(device), encoding);
}

Sheet parseCsv(const QByteArray& bytes, const QString& encoding)
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    const auto rows = csvRows(std::move(buffer), encoding);
    Sheet sheet;
    Row row;
    while (rows->next(row))
        sheet.rows << row;
    return sheet;
}

} // namespace hra::sheets
