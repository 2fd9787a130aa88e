#include "reportengine/Export.h"

#include "files/PrivateFiles.h"
#include "reportengine/Report.h"
#include "reportengine/common/Log.h"
#include "reportengine/common/Units.h"
#include "reportengine/fonts/Fonts.h"
#include "reportengine/layout/Builder.h"
#include "reportengine/layout/BuiltReport.h"
#include "reportengine/layout/PageSpill.h"
#include "reportengine/pdf/PdfWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QPainter>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace hra::reportengine {

namespace {

QImage renderBuiltPage(const BuiltPage& page, qreal dpi)
{
    const QSizeF paper = page.setup.paperSize() * (dpi / kUnitsPerInch);
    QImage image(paper.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    scalePainterToUnits(painter, dpi);
    paintPage(page, painter);
    painter.end();
    return image;
}

constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QMutex& protectedMutex()
{
    static QMutex mutex;
    return mutex;
}

QStringList& processProtectedFiles()
{
    static QStringList files;
    return files;
}

// Why `path` may not be replaced; empty when it may.
QString targetRefusal(const QString& path, QStringList protectedFiles)
{
    {
        const QMutexLocker lock(&protectedMutex());
        protectedFiles += processProtectedFiles();
    }
    return files::replaceRefusal(
        path, protectedFiles,
        QStringLiteral("%1 is a file the program has open; choose another file").arg(path));
}

// Takes pages one at a time and lets each go once written. Nothing takes
// the target's name before finish(); abandon() (or destruction before
// finish) removes what this run wrote.
class PageWriter
{
public:
    explicit PageWriter(ExportTarget target) : m_target(std::move(target)) {}
    ~PageWriter() { abandon(); }
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    bool begin(QString* error)
    {
        if (!m_target.pdfPath.isEmpty()) {
            const QString refused = targetRefusal(m_target.pdfPath, m_target.protectedFiles);
            if (!refused.isEmpty())
                return fail(error, refused);
        }
        if (!m_target.pngDir.isEmpty() && !files::makePrivateFolder(m_target.pngDir))
            return fail(error, QStringLiteral("cannot create the folder %1").arg(m_target.pngDir));
        if (m_target.pdfPath.isEmpty())
            return true;
        // A link is followed: the file it names is the one replaced.
        const QFileInfo info(m_target.pdfPath);
        if (info.isSymLink() && !info.canonicalFilePath().isEmpty())
            m_pdfFile = info.canonicalFilePath();
        else
            m_pdfFile = info.absoluteFilePath();
        // Written beside the target under a name of ours, which takes the
        // target's name only when complete.
        files::removeAbandonedTemporaries(m_pdfFile);
        m_file = std::make_unique<QTemporaryFile>(files::temporaryTemplate(m_pdfFile));
        if (!m_file->open())
            return failWriting(error, m_target.pdfPath, *m_file);
        // The temporary file is what takes the target's name.
        if (!m_file->setPermissions(kOwnerOnly))
            return fail(error, QStringLiteral("cannot make %1 private: %2")
                                   .arg(m_target.pdfPath, m_file->errorString()));
        m_pdf = std::make_unique<PdfWriter>(*m_file, m_target.title);
        return true;
    }

    bool add(const BuiltPage& page, QString* error)
    {
        if (m_pdf && !m_pdf->addPage(page))
            return failWriting(error, m_target.pdfPath, *m_file);
        ++m_pages;
        if (!m_target.pngDir.isEmpty()) {
            const QString path = QDir(m_target.pngDir)
                                     .filePath(QStringLiteral("%1-%2.png")
                                                   .arg(m_target.pngPrefix)
                                                   .arg(m_pages, 3, 10, QLatin1Char('0')));
            const QString refused = targetRefusal(path, m_target.protectedFiles);
            if (!refused.isEmpty())
                return fail(error, refused);
            QFile png(path);
            const bool written = png.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                                 png.setPermissions(kOwnerOnly) &&
                                 renderBuiltPage(page, m_target.dpi).save(&png, "PNG") &&
                                 png.flush();
            png.close();
            if (!written) {
                const bool failed = failWriting(error, path, png);
                QFile::remove(path);
                return failed;
            }
            m_pngFiles << path;
        }
        return true;
    }

    bool finish(QString* error)
    {
        if (m_pdf) {
            const bool written = m_pdf->finish();
            m_warnings = m_pdf->warnings();
            m_pdf.reset();
            if (!written || !m_file->flush())
                return failWriting(error, m_target.pdfPath, *m_file);
            // On the disk before it takes the target's name.
            if (::fsync(m_file->handle()) != 0) {
                const std::error_code ec(errno, std::generic_category());
                qCInfo(lcReport).noquote() << "export: writing" << m_target.pdfPath
                                           << "failed:" << QString::fromStdString(ec.message());
                if (ec != std::errc::no_space_on_device)
                    return fail(error,
                                QStringLiteral("cannot write %1: %2")
                                    .arg(m_target.pdfPath, QString::fromStdString(ec.message())));
                m_fullFile = m_target.pdfPath;
                return fail(
                    error,
                    QStringLiteral("not enough disk space to write %1").arg(m_target.pdfPath));
            }
            m_file->close();
            // Looked at again: the target may have changed while the pages
            // were written.
            const QString refused = targetRefusal(m_target.pdfPath, m_target.protectedFiles);
            if (!refused.isEmpty())
                return fail(error, refused);
            std::error_code ec;
            std::filesystem::rename(QFile::encodeName(m_file->fileName()).toStdString(),
                                    QFile::encodeName(m_pdfFile).toStdString(), ec);
            if (ec) {
                qCWarning(lcReport).noquote()
                    << "export:" << m_pdfFile << QString::fromStdString(ec.message());
                return fail(error,
                            QStringLiteral("cannot write %1: %2")
                                .arg(m_target.pdfPath, QString::fromStdString(ec.message())));
            }
            m_file->setAutoRemove(false);
            m_file.reset();
        }
        m_pngFiles.swap(m_kept);
        return true;
    }

    // Removes the unfinished PDF and the PNG pages of this run.
    void abandon()
    {
        m_pdf.reset();
        m_file.reset(); // never renamed: the target is left as it was
        for (const QString& path : std::as_const(m_pngFiles))
            QFile::remove(path);
        m_pngFiles.clear();
    }

    int pages() const { return m_pages; }
    const QStringList& pngFiles() const { return m_kept; }
    const QStringList& warnings() const { return m_warnings; }
    // The file that found the disk full, if that is why writing failed.
    const QString& fullFile() const { return m_fullFile; }

private:
    static bool fail(QString* error, const QString& message)
    {
        if (error)
            *error = message;
        return false;
    }

    bool failWriting(QString* error, const QString& file, const QFileDevice& device)
    {
        bool diskFull = false;
        fail(error, writeFailure(file, device, &diskFull));
        if (diskFull && m_fullFile.isEmpty())
            m_fullFile = file;
        return false;
    }

    ExportTarget m_target;
    QString m_pdfFile; // the file the PDF replaces (a link's target)
    std::unique_ptr<QTemporaryFile> m_file;
    QString m_fullFile;
    std::unique_ptr<PdfWriter> m_pdf;
    int m_pages = 0;
    QStringList m_pngFiles; // written by this run, removed if it fails
    QStringList m_kept;     // written by a run that finished
    QStringList m_warnings; // of the PDF (fonts it could not embed)
};

bool cancelled(const ExportControl& control)
{
    return control.cancel && control.cancel->load();
}

// Runs `write` over a writer for `target`, and keeps what it wrote only if
// it succeeded.
ExportResult runExport(const ExportTarget& target,
                       const std::function<void(PageWriter&, ExportResult&)>& write)
{
    ExportResult result;
    PageWriter writer(target);
    try {
        if (!writer.begin(&result.error))
            return result;
        write(writer, result);
    } catch (const std::bad_alloc&) {
        result.ok = false;
        result.error = QStringLiteral("out of memory while writing %1").arg(target.pdfPath);
    } catch (const std::runtime_error& e) {
        result.ok = false; // a spilled page that cannot be read back
        result.error = QString::fromUtf8(e.what());
    }
    if (result.ok && !writer.finish(&result.error))
        result.ok = false;
    result.warnings << writer.warnings();
    if (!result.ok)
        writer.abandon();
    result.pages = writer.pages();
    result.pngFiles = writer.pngFiles();
    if (!result.ok)
        result.fullFile = writer.fullFile();
    return result;
}

} // namespace

QString writeFailure(const QString& file, const QFileDevice& device, bool* diskFull)
{
    // Qt reports a write that found no space as a resource error, but a
    // short write before it is reported as an unknown one: a folder left
    // without room when the write failed tells the same.
    const bool full = device.error() == QFileDevice::ResourceError ||
                      files::nearlyFull(QFileInfo(file).absolutePath());
    if (diskFull)
        *diskFull = full;
    qCInfo(lcReport).noquote() << "export: writing" << file << "failed:" << device.errorString();
    if (full)
        return QStringLiteral("not enough disk space to write %1").arg(file);
    return QStringLiteral("cannot write %1: %2").arg(file, device.errorString());
}

void protectFilesFromExport(const QStringList& files)
{
    const QMutexLocker lock(&protectedMutex());
    processProtectedFiles() = files;
}

ExportResult buildAndExport(Report& report, const ExportTarget& target,
                            const ExportControl& control)
{
    return buildAndExport(report, target, control, nullptr);
}

ExportResult buildAndExport(Report& report, const ExportTarget& target,
                            const ExportControl& control, std::shared_ptr<BuiltReport>* kept)
{
    std::shared_ptr<PageSpill> spill;
    std::shared_ptr<BuiltReport> pages;
    if (kept) {
        kept->reset();
        spill = std::make_shared<PageSpill>();
        pages = std::make_shared<BuiltReport>();
        if (!spill->isOpen()) {
            ExportResult refused;
            refused.error =
                QStringLiteral("no temporary file for the pages: %1").arg(spill->errorString());
            return refused;
        }
    }
    ExportResult done = runExport(target, [&](PageWriter& writer, ExportResult& result) {
        ReportBuilder builder(report.reportTemplate(), report.dataSources());
        bool writeFailed = false;
        builder.setPageSink([&](BuiltPage&& page) {
            QString error;
            if (!writer.add(page, &error)) {
                writeFailed = true;
                throw std::runtime_error(error.toStdString());
            }
            if (spill)
                pages->appendSpilled(spill, spill->write(page));
        });
        while (!builder.atEnd() && !cancelled(control)) {
            builder.step();
            if (control.progress)
                control.progress(builder.pagesBuilt(), builder.progress().permille());
        }
        result.cancelled = !builder.atEnd();
        BuildResult built = builder.takeResult();
        result.warnings = built.warnings;
        result.ok = built.ok && !result.cancelled;
        if (!built.ok) {
            result.error = built.error;
            result.buildFailed = !writeFailed;
        }
    });
    if (kept && done.ok)
        *kept = std::move(pages);
    return done;
}

struct PdfBook::Private
{
    explicit Private(const ExportTarget& target) : writer(target) {}
    PageWriter writer;
    bool failed = false;
};

PdfBook::PdfBook(const ExportTarget& target)
{
    ExportTarget book;
    book.pdfPath = target.pdfPath;
    book.title = target.title;
    book.protectedFiles = target.protectedFiles;
    d = std::make_unique<Private>(book);
}

PdfBook::~PdfBook()
{
    d.reset();
    // The pages were read back with this thread's own fonts.
    releaseThreadFonts();
}

bool PdfBook::begin(QString* error)
{
    d->failed = !d->writer.begin(error);
    return !d->failed;
}

bool PdfBook::add(const BuiltReport& pages, QString* error)
{
    if (d->failed)
        return false;
    try {
        for (int i = 0; i < pages.pageCount() && !d->failed; ++i)
            d->failed = !d->writer.add(*pages.pageAt(i), error);
    } catch (const std::bad_alloc&) {
        d->failed = true;
        if (error)
            *error = QStringLiteral("out of memory while writing the pages");
    } catch (const std::runtime_error& e) {
        d->failed = true; // a spilled page that cannot be read back
        if (error)
            *error = QString::fromUtf8(e.what());
    }
    if (d->failed)
        d->writer.abandon();
    return !d->failed;
}

bool PdfBook::finish(QString* error)
{
    if (d->failed)
        return false;
    d->failed = !d->writer.finish(error);
    if (d->failed)
        d->writer.abandon();
    return !d->failed;
}

int PdfBook::pages() const
{
    return d->writer.pages();
}

ExportResult exportBuilt(const BuiltReport& report, const ExportTarget& target,
                         const ExportControl& control)
{
    return runExport(target, [&](PageWriter& writer, ExportResult& result) {
        result.ok = true;
        const int first = std::max(0, target.firstPage);
        const int end = target.lastPage < 0 ? report.pageCount()
                                            : std::min(report.pageCount(), target.lastPage + 1);
        for (int i = first; i < end && result.ok; ++i) {
            if (cancelled(control)) {
                result.ok = false;
                result.cancelled = true;
                break;
            }
            result.ok = writer.add(*report.pageAt(i), &result.error);
            if (control.progress)
                control.progress(i + 1 - first, int(qint64(i + 1 - first) * 1000 / (end - first)));
        }
    });
}

bool exportPdf(const BuiltReport& report, const QString& path, QString* error, const QString& title)
{
    ExportTarget target;
    target.pdfPath = path;
    target.title = title;
    const ExportResult result = exportBuilt(report, target);
    if (!result.ok && error)
        *error = result.error;
    return result.ok;
}

QImage renderPage(const BuiltReport& report, int index, qreal dpi)
{
    const auto page = report.pageAt(index);
    return page ? renderBuiltPage(*page, dpi) : QImage();
}

QStringList exportPng(const BuiltReport& report, const QString& dir, qreal dpi,
                      const QString& prefix, QString* error)
{
    ExportTarget target;
    target.pngDir = dir;
    target.dpi = dpi;
    target.pngPrefix = prefix;
    const ExportResult result = exportBuilt(report, target);
    if (!result.ok && error)
        *error = result.error;
    return result.ok ? result.pngFiles : QStringList();
}

} // namespace hra::reportengine
