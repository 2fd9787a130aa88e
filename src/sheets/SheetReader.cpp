#include "sheets/SheetReader.h"

#include "sheets/Csv.h"
#include "sheets/Xlsx.h"

#include <QFile>
#include <cmath>

namespace hra::sheets {
namespace {

// A group's file is a few megabytes; more is no spreadsheet of persons.
constexpr qint64 kMaxCsvBytes = 256LL * 1024 * 1024;

// A parsed sheet handed out row by row, each row let go once given.
class SheetRows final : public RowReader
{
public:
    explicit SheetRows(Sheet sheet) : m_sheet(std::move(sheet)) {}
    bool next(Row& row) override
    {
        if (m_sheet.rows.isEmpty())
            return false;
        row = m_sheet.rows.takeFirst();
        return true;
    }

private:
    Sheet m_sheet;
};

} // namespace

std::unique_ptr<RowReader> openSheet(const QString& path, const ReadOptions& options)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly))
        throw SheetError(QStringLiteral("无法打开文件“%1”").arg(path));
    if (file->peek(4) == QByteArrayView("PK\x03\x04"))
        return std::make_unique<SheetRows>(readXlsx(path, options.sheet));
    if (file->size() > kMaxCsvBytes)
        throw SheetError(QStringLiteral("文件“%1”太大").arg(path));
    return csvRows(std::move(file), options.encoding);
}

Sheet readSheet(const QString& path, const ReadOptions& options)
{
    const auto rows = openSheet(path, options);
    Sheet sheet;
    Row row;
    while (rows->next(row))
        sheet.rows << row;
    return sheet;
}

QString numberCellText(double value)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == 0)
        return QStringLiteral("0");
    // Fifteen significant digits, as spreadsheet programs keep them.
    const int exponent = int(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, 14 - exponent);
    QString text = QString::number(value, 'f', std::min(decimals, 340));
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    if (exponent > 14) {
        // Digits past the fifteenth are not the number's own.
        const int sign = value < 0 ? 1 : 0;
        for (qsizetype i = 15 + sign; i < text.size(); ++i)
            text[i] = u'0';
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

} // namespace hra::sheets
