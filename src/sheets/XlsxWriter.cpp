#include "sheets/XlsxWriter.h"

#include "files/PrivateFiles.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <optional>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <xlsxwriter.h>

namespace hra::sheets {

namespace {

// The longest text a cell holds.
constexpr qsizetype kMaxCellText = 32767;
constexpr double kMinWidth = 11; // "2024-01-31" and a margin

using Reason = SheetWriteError::Reason;

// Days since 1899-12-30: what a spreadsheet stores for a date. Its
// calendar counts a 29 February 1900 that never was, so only from
// 1900-03-01 on is this number the date it shows.
std::optional<double> serialOf(const QDate& date)
{
    if (!date.isValid() || date < QDate(1900, 3, 1) || date > QDate(9999, 12, 31))
        return std::nullopt;
    return double(QDate(1899, 12, 30).daysTo(date));
}

// Characters of East Asian scripts take two columns.
double displayWidth(const QString& text)
{
    double width = 0;
    for (const QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

} // namespace

struct XlsxWriter::State
{
    QString path;   // as given, in messages
    QString target; // the file replaced (a link's target)
    QString folder; // where the book and the library's row files are written
    QByteArray folderName;
    QStringList protectedFiles;
    std::unique_ptr<QTemporaryFile> file;
    lxw_workbook* book = nullptr;
    lxw_worksheet* sheet = nullptr;
    lxw_format* bold = nullptr;
    lxw_format* date = nullptr;
    lxw_format* dateTime = nullptr;
    qint64 rows = 0;
    int columns = 0;

    [[noreturn]] void fail(Reason reason, const QString& message) const
    {
        throw SheetWriteError(reason, path, message);
    }

    [[noreturn]] void failWriting(const QString& why) const
    {
        if (files::nearlyFull(folder))
            fail(Reason::DiskFull, QStringLiteral("not enough disk space to write %1").arg(path));
        fail(Reason::Failed, QStringLiteral("cannot write %1: %2").arg(path, why));
    }

    void check(lxw_error error) const
    {
        if (error != LXW_NO_ERROR)
            failWriting(QString::fromUtf8(lxw_strerror(error)));
    }

    void refuseProtected() const
    {
        const QString refused = files::replaceRefusal(
            path, protectedFiles,
            QStringLiteral("%1 is the database in use; choose another file").arg(path));
        if (!refused.isEmpty())
            fail(Reason::Refused, refused);
    }

    void release()
    {
        if (book)
            lxw_workbook_free(book);
        book = nullptr;
        sheet = nullptr;
        file.reset(); // never renamed: the target is left as it was
    }
};

XlsxWriter::XlsxWriter(const QString& path, const QStringList& protectedFiles)
    : m(std::make_unique<State>())
{
    m->path = path;
    m->protectedFiles = protectedFiles;
    m->refuseProtected();
    // A link is followed: the file it names is the one replaced.
    const QFileInfo info(path);
    m->target = info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath()
                                                                        : info.absoluteFilePath();
    m->folder = QFileInfo(m->target).absolutePath();
    m->folderName = QFile::encodeName(m->folder);
    files::removeAbandonedTemporaries(m->target);
    m->file = std::make_unique<QTemporaryFile>(files::temporaryTemplate(m->target));
    if (!m->file->open())
        m->failWriting(m->file->errorString());
    // The library writes the book by name; the file stays ours (0600).
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = m->folderName.data();
    options.use_zip64 = LXW_TRUE;
    m->book = workbook_new_opt(QFile::encodeName(m->file->fileName()).constData(), &options);
    if (!m->book)
        m->failWriting(QStringLiteral("the book could not be started"));
    m->bold = workbook_add_format(m->book);
    format_set_bold(m->bold);
    m->date = workbook_add_format(m->book);
    format_set_num_format(m->date, "yyyy-mm-dd");
    m->dateTime = workbook_add_format(m->book);
    format_set_num_format(m->dateTime, "yyyy-mm-dd hh:mm:ss");
}

XlsxWriter::~XlsxWriter()
{
    m->release();
}

void XlsxWriter::addSheet(const QString& name, const QStringList& headers,
                          const QList<double>& widths)
{
    if (!m->book)
        m->fail(Reason::Failed, QStringLiteral("%1 is already closed").arg(m->path));
    const QByteArray utf8 = name.toUtf8();
    if (const lxw_error e = workbook_validate_sheet_name(m->book, utf8.constData());
        e != LXW_NO_ERROR)
        m->fail(Reason::Failed, QStringLiteral("the sheet name %1 cannot be used: %2")
                                    .arg(name, QString::fromUtf8(lxw_strerror(e))));
    m->sheet = workbook_add_worksheet(m->book, utf8.constData());
    if (!m->sheet)
        m->failWriting(QStringLiteral("the sheet %1 could not be started").arg(name));
    m->rows = 0;
    m->columns = int(headers.size());
    for (int c = 0; c < headers.size(); ++c) {
        const double width =
            c < widths.size() ? widths.at(c) : std::max(kMinWidth, displayWidth(headers.at(c)) + 2);
        m->check(worksheet_set_column(m->sheet, lxw_col_t(c), lxw_col_t(c), width, nullptr));
        m->check(worksheet_write_string(m->sheet, 0, lxw_col_t(c),
                                        headers.at(c).left(kMaxCellText).toUtf8().constData(),
                                        m->bold));
    }
    if (!headers.isEmpty())
        worksheet_freeze_panes(m->sheet, 1, 0);
}

void XlsxWriter::addRow(const std::vector<SheetValue>& row)
{
    if (!m->sheet)
        m->fail(Reason::Failed, QStringLiteral("no sheet to add a row to in %1").arg(m->path));
    if (m->rows + 1 >= LXW_ROW_MAX)
        m->fail(Reason::Failed, QStringLiteral("more rows than a sheet holds (%1) for %2")
                                    .arg(LXW_ROW_MAX - 1)
                                    .arg(m->path));
    const auto r = lxw_row_t(m->rows + 1);
    lxw_col_t c = 0;
    auto text = [&](const QString& s) {
        m->check(worksheet_write_string(m->sheet, r, c, s.left(kMaxCellText).toUtf8().constData(),
                                        nullptr));
    };
    for (const SheetValue& value : row) {
        if (const auto* s = std::get_if<QString>(&value)) {
            if (!s->isEmpty())
                text(*s);
        } else if (const auto* n = std::get_if<double>(&value)) {
            if (std::isfinite(*n))
                m->check(worksheet_write_number(m->sheet, r, c, *n, nullptr));
        } else if (const auto* d = std::get_if<QDate>(&value)) {
            if (const auto serial = serialOf(*d))
                m->check(worksheet_write_number(m->sheet, r, c, *serial, m->date));
            else if (d->isValid())
                text(d->toString(QStringLiteral("yyyy-MM-dd")));
        } else if (const auto* t = std::get_if<QDateTime>(&value)) {
            // Whole seconds, as the program shows a time everywhere: a
            // fraction would show as the next second where it rounds.
            if (const auto serial = serialOf(t->date()))
                m->check(worksheet_write_number(
                    m->sheet, r, c, *serial + (t->time().msecsSinceStartOfDay() / 1000) / 86400.0,
                    m->dateTime));
            else if (t->isValid())
                text(t->toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        }
        ++c;
    }
    ++m->rows;
}

qint64 XlsxWriter::rows() const
{
    return m->rows;
}

void XlsxWriter::close()
{
    if (!m->book)
        m->fail(Reason::Failed, QStringLiteral("%1 is already closed").arg(m->path));
    lxw_workbook* book = std::exchange(m->book, nullptr);
    m->sheet = nullptr;
    m->check(workbook_close(book)); // frees the book whatever happened
    // On the disk before it takes the target's name.
    if (::fsync(m->file->handle()) != 0) {
        const int error = errno;
        if (error == ENOSPC)
            m->fail(Reason::DiskFull,
                    QStringLiteral("not enough disk space to write %1").arg(m->path));
        m->failWriting(QString::fromStdString(std::generic_category().message(error)));
    }
    m->file->close();
    // Looked at again: the target may have changed while the rows were written.
    m->refuseProtected();
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(m->file->fileName()).toStdString(),
                            QFile::encodeName(m->target).toStdString(), ec);
    if (ec)
        m->failWriting(QString::fromStdString(ec.message()));
    m->file->setAutoRemove(false);
    m->file.reset();
}

} // namespace hra::sheets
