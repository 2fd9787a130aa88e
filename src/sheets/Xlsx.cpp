#include "sheets/Xlsx.h"

#include <QDate>
#include <QHash>
#include <QTime>
#include <QXmlStreamReader>
#include <exception>
#include <ixion/address.hpp>
#include <ixion/formula_result.hpp>
#include <ixion/model_context.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>
#include <orcus/spreadsheet/sheet.hpp>
#include <orcus/spreadsheet/styles.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <string>

namespace hra::sheets {
namespace {

namespace ss = orcus::spreadsheet;

struct DateFormat
{
    bool date = false;
    bool time = false;
};

// What a number format shows: the built-in date and time formats (those of
// Chinese systems among them), or a format code with date or time letters
// outside quoted text and brackets.
DateFormat dateFormatOf(std::size_t id, std::string_view code)
{
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) ||
        (id >= 50 && id <= 58))
        return {true, false};
    if (id == 22)
        return {true, true};
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 33) || (id >= 45 && id <= 47))
        return {false, true};
    DateFormat f;
    bool quoted = false;
    int bracket = 0;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == '\\' || c == '_' || c == '*')
            ++i; // the next character is shown as it stands
        else if (c == '[')
            ++bracket;
        else if (c == ']')
            bracket = std::max(0, bracket - 1);
        else if (bracket > 0)
            continue;
        else if (c == 'y' || c == 'Y' || c == 'd' || c == 'D' || c == 'e')
            f.date = true;
        else if (c == 'h' || c == 'H' || c == 's' || c == 'S')
            f.time = true;
    }
    return f;
}

QString numberText(double value, const DateFormat& format, bool base1904)
{
    if (!format.date && !format.time)
        return numberCellText(value);
    const double days = std::floor(value);
    const QDate date = QDate(base1904 ? 1904 : 1899, base1904 ? 1 : 12, base1904 ? 1 : 30)
                           .addDays(static_cast<qint64>(days));
    const int seconds = static_cast<int>(std::lround((value - days) * 86400.0));
    const QTime time = QTime(0, 0).addSecs(std::min(seconds, 86399));
    if (format.date && format.time && seconds > 0)
        return date.toString(QStringLiteral("yyyy-MM-dd ")) +
               time.toString(QStringLiteral("HH:mm:ss"));
    if (format.date)
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QString fromStd(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QByteArray zipEntry(const orcus::zip_archive& zip, const std::string& name)
{
    std::vector<unsigned char> bytes;
    if (!zip.read_file_entry(name, bytes))
        return {};
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// "E12" -> row 11, column 4; false when it is no cell reference.
bool cellPosition(QStringView ref, int* row, int* column)
{
    int c = 0;
    qsizetype i = 0;
    while (i < ref.size() && ref[i] >= u'A' && ref[i] <= u'Z')
        c = c * 26 + (ref[i++].unicode() - u'A' + 1);
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (i == 0 || !ok || r < 1)
        return false;
    *row = r - 1;
    *column = c - 1;
    return true;
}

// liborcus 0.17 leaves cells of inline strings (t="inlineStr", written by
// many exporting programs) empty; their texts are read from the sheet's XML.
QHash<std::pair<int, int>, QString> inlineStrings(const QString& path, std::size_t sheetIndex)
{
    QHash<std::pair<int, int>, QString> out;
    orcus::zip_archive_stream_fd stream(path.toLocal8Bit().constData());
    orcus::zip_archive zip(&stream);
    zip.load();
    // The sheet's part: the workbook names its relation, the relations its file.
    QString relation;
    std::size_t index = 0;
    QXmlStreamReader book(zipEntry(zip, "xl/workbook.xml"));
    while (!book.atEnd()) {
        book.readNext();
        if (book.isStartElement() && book.name() == u"sheet" && index++ == sheetIndex)
            for (const QXmlStreamAttribute& a : book.attributes())
                if (a.name() == u"id")
                    relation = a.value().toString();
    }
    QString target;
    QXmlStreamReader rels(zipEntry(zip, "xl/_rels/workbook.xml.rels"));
    while (!rels.atEnd()) {
        rels.readNext();
        if (rels.isStartElement() && rels.name() == u"Relationship" &&
            rels.attributes().value(QLatin1String("Id")) == relation)
            target = rels.attributes().value(QLatin1String("Target")).toString();
    }
    if (target.isEmpty())
        return out;
    const QString part = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
    QXmlStreamReader xml(zipEntry(zip, part.toStdString()));
    int row = -1;
    int column = -1;
    bool inCell = false;
    bool inInline = false;
    QString text;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"c") {
            inCell = xml.attributes().value(QLatin1String("t")) == u"inlineStr" &&
                     cellPosition(xml.attributes().value(QLatin1String("r")), &row, &column);
            text.clear();
        } else if (inCell && xml.isStartElement() && xml.name() == u"is") {
            inInline = true;
        } else if (inInline && xml.isStartElement() && xml.name() == u"t") {
            text += xml.readElementText();
        } else if (xml.isEndElement() && xml.name() == u"is") {
            inInline = false;
        } else if (xml.isEndElement() && xml.name() == u"c") {
            if (inCell && !text.isEmpty())
                out.insert({row, column}, text);
            inCell = false;
        }
    }
    return out;
}

} // namespace

Sheet readXlsx(const QString& path, const QString& sheetName)
{
    ss::document doc{ss::range_size_t{1048576, 16384}};
    try {
        ss::import_factory factory{doc};
        orcus::orcus_xlsx reader(&factory);
        reader.read_file(path.toStdString());
    } catch (const std::exception& e) {
        throw SheetError(
            QStringLiteral("无法读取XLSX文件“%1”: %2").arg(path, QString::fromUtf8(e.what())));
    }
    if (doc.get_sheet_count() == 0)
        throw SheetError(QStringLiteral("XLSX文件“%1”没有工作表").arg(path));
    const ss::sheet* sheet = sheetName.isEmpty()
                                 ? doc.get_sheet(ss::sheet_t(0))
                                 : doc.get_sheet(std::string_view(sheetName.toStdString()));
    if (!sheet)
        throw SheetError(QStringLiteral("没有名为“%1”的工作表").arg(sheetName));

    QHash<std::pair<int, int>, QString> inlineTexts;
    try {
        inlineTexts = inlineStrings(path, std::size_t(sheet->get_index()));
    } catch (const std::exception& e) {
        throw SheetError(
            QStringLiteral("无法读取XLSX文件“%1”: %2").arg(path, QString::fromUtf8(e.what())));
    }
    const ixion::model_context& cells = doc.get_model_context();
    const ss::styles& styles = doc.get_styles();
    const orcus::date_time_t origin = doc.get_origin_date();
    const bool base1904 = origin.year == 1904;
    const ixion::abs_range_t range = sheet->get_data_range();
    Sheet out;
    int lastRow = range.valid() ? int(range.last.row) : -1;
    int lastColumn = range.valid() ? int(range.last.column) : -1;
    for (auto it = inlineTexts.begin(); it != inlineTexts.end(); ++it) {
        lastRow = std::max(lastRow, it.key().first);
        lastColumn = std::max(lastColumn, it.key().second);
    }
    for (ixion::row_t r = 0; r <= lastRow; ++r) {
        Row row{int(r) + 1, {}};
        bool any = false;
        for (ixion::col_t c = 0; c <= lastColumn; ++c) {
            const ixion::abs_address_t at(sheet->get_index(), r, c);
            QString text;
            switch (cells.get_celltype(at)) {
            case ixion::celltype_t::string:
                text = fromStd(cells.get_string_value(at));
                break;
            case ixion::celltype_t::numeric: {
                DateFormat format;
                // The cell format holds the number format's identifier; the
                // store lists only the file's own formats, with their codes.
                if (const ss::cell_format_t* xf =
                        styles.get_cell_format(sheet->get_cell_format(r, c))) {
                    std::string_view code;
                    for (std::size_t i = 0; i < styles.get_number_format_count(); ++i)
                        if (const ss::number_format_t* nf = styles.get_number_format(i);
                            nf && nf->identifier == xf->number_format)
                            code = nf->format_string;
                    format = dateFormatOf(xf->number_format, code);
                }
                text = numberText(cells.get_numeric_value(at), format, base1904);
                break;
            }
            case ixion::celltype_t::boolean:
                text = cells.get_numeric_value(at) != 0 ? QStringLiteral("TRUE")
                                                        : QStringLiteral("FALSE");
                break;
            case ixion::celltype_t::formula: {
                // The result the spreadsheet program saved with the formula.
                const ixion::formula_result result = cells.get_formula_result(at);
                if (result.get_type() == ixion::formula_result::result_type::value)
                    text = numberCellText(result.get_value());
                else if (result.get_type() == ixion::formula_result::result_type::string)
                    text = fromStd(result.get_string());
                break;
            }
            default:
                text = inlineTexts.value({int(r), int(c)});
                break;
            }
            any = any || !text.isEmpty();
            row.cells << text;
        }
        while (!row.cells.isEmpty() && row.cells.last().isEmpty())
            row.cells.removeLast();
        if (any)
            out.rows << row;
    }
    return out;
}

} // namespace hra::sheets
