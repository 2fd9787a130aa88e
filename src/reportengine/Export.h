#pragma once

#include <QFileDevice>
#include <QImage>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

namespace hra::reportengine {

class BuiltReport; // Report::built()
class Report;

// Writes every page to a PDF file with real, selectable text and the fonts
// embedded. Returns false with a message when the file cannot be written.
bool exportPdf(const BuiltReport& report, const QString& path, QString* error = nullptr,
               const QString& title = {});

// One page as an image of `dpi` dots per inch on white paper.
QImage renderPage(const BuiltReport& report, int index, qreal dpi);

// Writes each page to `dir` as <prefix>-001.png, <prefix>-002.png, ...
// Returns the files written; empty with a message on failure.
QStringList exportPng(const BuiltReport& report, const QString& dir, qreal dpi = 150,
                      const QString& prefix = QStringLiteral("page"), QString* error = nullptr);

// What an export writes: a PDF, PNG pages, or both.
struct ExportTarget
{
    QString pdfPath; // empty: no PDF
    QString title;   // the PDF's document title
    QString pngDir;  // empty: no PNG pages
    qreal dpi = 150;
    QString pngPrefix = QStringLiteral("page");
    // Files the export must never replace (the caller's open database and
    // its logs), compared as files, so a link to one is refused as well.
    QStringList protectedFiles;
    // The pages written, from 0, of pages already built; -1: to the end.
    int firstPage = 0;
    int lastPage = -1;
};

// Files no export of this process may replace, whatever its target says:
// the program names its open database here once, so that no window's export
// or print to a file can take its place. Replaces the earlier list.
void protectFilesFromExport(const QStringList& files);

struct ExportResult
{
    bool ok = false;
    bool cancelled = false;
    bool buildFailed = false; // the error is the build's (a data source), not the writing's
    QString error;
    QStringList warnings; // of the build (unknown fields, missing glyphs)
    int pages = 0;
    QStringList pngFiles;
    // The file that could not be written for lack of disk space; empty when
    // that was not why.
    QString fullFile;
};

// Why writing `file` through `device` failed, one sentence naming the file;
// *diskFull tells whether it was for lack of space (then the sentence says
// so and the system's words go to the log only).
QString writeFailure(const QString& file, const QFileDevice& device, bool* diskFull);

// Progress and stop, checked between pages.
struct ExportControl
{
    // Pages written so far, and the share of the work done in thousandths.
    std::function<void(int pages, int permille)> progress;
    const std::atomic_bool* cancel = nullptr;
};

// Builds `report` on the calling thread and writes each page as soon as it
// is laid out, keeping none: memory stays flat however many pages there
// are. The PDF is written to a temporary file beside its target and takes
// the target's name only when complete; a failure or a cancel leaves no
// PDF, no temporary file and no PNG page of this run. The data sources are
// read on the calling thread. Reports may hold anyone's personal data: every
// file written is readable by its owner only and every folder made is 0700,
// whatever the umask. A target that exists and is no regular file (a
// device, a pipe, a folder), or is one of the protected files, is refused
// before anything is written.
ExportResult buildAndExport(Report& report, const ExportTarget& target,
                            const ExportControl& control = {});

// The same for pages already built (those of a preview).
ExportResult exportBuilt(const BuiltReport& report, const ExportTarget& target,
                         const ExportControl& control = {});

// buildAndExport, and the pages kept besides in `kept` when it succeeds:
// spilled to a private temporary file (gone with the last holder), their
// fonts named so that another thread can write them to a PdfBook.
ExportResult buildAndExport(Report& report, const ExportTarget& target,
                            const ExportControl& control, std::shared_ptr<BuiltReport>* kept);

// One PDF of several reports' pages in the order they are added, written as
// they come: the fonts are embedded once for the whole book, so that memory
// and the file stay small however many reports there are. Like every export,
// it is written under a temporary name that takes the target's only when
// finished; a book destroyed unfinished leaves no file. Used from one thread
// only (the one that made it).
class PdfBook
{
public:
    explicit PdfBook(const ExportTarget& target); // its pdfPath, title, protectedFiles
    ~PdfBook();
    PdfBook(const PdfBook&) = delete;
    PdfBook& operator=(const PdfBook&) = delete;

    // Refuses the target or opens the temporary file.
    bool begin(QString* error);
    // Appends every page (spilled pages are read back on this thread).
    bool add(const BuiltReport& pages, QString* error);
    bool finish(QString* error);
    int pages() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace hra::reportengine
