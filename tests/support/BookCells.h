#pragma once

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <string>
#include <vector>

// How the cells of an XLSX book are stored, read from its XML: what the
// spreadsheet shows of them does not tell text from numbers. Tests that use
// it link PkgConfig::ORCUS.
namespace hra::test {

inline QByteArray zipEntry(const QString& path, const std::string& name)
{
    orcus::zip_archive_stream_fd stream(QFile::encodeName(path).constData());
    orcus::zip_archive zip(&stream);
    zip.load();
    std::vector<unsigned char> bytes;
    if (!zip.read_file_entry(name, bytes))
        return {};
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// The number format of each cell style: cellXfs in order, their numFmtId
// resolved through numFmts.
inline QStringList styleFormats(const QByteArray& stylesXml)
{
    QHash<QString, QString> codes;
    QStringList formats;
    bool inCellXfs = false;
    QXmlStreamReader xml(stylesXml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"cellXfs")
            inCellXfs = false;
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == u"numFmt")
            codes.insert(a.value(QLatin1String("numFmtId")).toString(),
                         a.value(QLatin1String("formatCode")).toString());
        else if (xml.name() == u"cellXfs")
            inCellXfs = true;
        else if (inCellXfs && xml.name() == u"xf")
            formats << codes.value(a.value(QLatin1String("numFmtId")).toString());
    }
    return formats;
}

// How each cell of a sheet is stored: "text", "number", or "number as F"
// for a number shown through the format F.
inline QHash<QString, QString> cellKinds(const QByteArray& sheetXml, const QStringList& formats)
{
    QHash<QString, QString> kinds;
    QXmlStreamReader xml(sheetXml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"c")
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QString type = a.value(QLatin1String("t")).toString();
        QString kind = type == u"inlineStr" || type == u"s" ? QStringLiteral("text")
                       : type.isEmpty()                     ? QStringLiteral("number")
                                                            : type;
        const QString format = formats.value(a.value(QLatin1String("s")).toInt());
        if (kind == u"number" && !format.isEmpty())
            kind += QStringLiteral(" as ") + format;
        kinds.insert(a.value(QLatin1String("r")).toString(), kind);
    }
    return kinds;
}

// The kinds of the cells of a book's first sheet.
inline QHash<QString, QString> firstSheetKinds(const QString& path)
{
    return cellKinds(zipEntry(path, "xl/worksheets/sheet1.xml"),
                     styleFormats(zipEntry(path, "xl/styles.xml")));
}

} // namespace hra::test
