#pragma once

// The report engine's public face: a report object that loads a template,
// reads named data sources and builds pages; Export.h writes the pages out
// and widgets/ shows and prints them. Everything under internal/ belongs to
// the engine alone.

#include "reportengine/DataSource.h"
#include "reportengine/LoadResult.h"

#include <QImage>
#include <QObject>
#include <memory>

namespace hra::reportengine {

class BuiltReport;
class Mailbox;
class ReportBuilder;
struct ReportObject;
struct ReportTemplate;
struct BuildResult;
struct SpilledPage;

// A report object: one loaded template, the data sources it reads, and the
// last built report. Builds run either at once on the calling thread
// (build(), pages kept in memory) or on a build thread (startBuild()), which
// writes each page to a spill file as it is laid out and hands it to this
// object, so that a window stays responsive and holds only the pages in
// view. Progress comes as template pages done out of templatePageCount()
// and, finer, as thousandths of the whole (a data band's rows included).
//
// During a build on a build thread the data sources are read on that thread
// only (aboutToRead() runs there): nothing else may touch them until
// buildFinished.
class Report : public QObject
{
    Q_OBJECT

public:
    explicit Report(QObject* parent = nullptr);
    ~Report() override;

    // Replaces the template by the file's; a missing file leaves the report
    // empty and is no error.
    LoadResult load(const QString& path);
    // The same from a template held in memory (one written by code);
    // `baseDir` resolves its picture and include file names.
    LoadResult loadFromData(const QByteArray& xml, const QString& baseDir = {});
    void setTemplate(ReportTemplate templ);
    // Removes the template and the built pages (not the data sources). A
    // build under way finishes on its own copy of the template and keeps
    // its pages.
    void clear();

    const ReportTemplate& reportTemplate() const { return *m_template; }
    // Opens the fonts the template's text uses now rather than during the
    // build, for a caller that has other work going on meanwhile. Fonts are
    // kept per thread: this helps a build on the calling thread (build(),
    // buildAndExport), not one started with startBuild().
    void loadFonts() const;
    int templatePageCount() const;
    // The names of the template's pages, in print order.
    QStringList templatePageNames() const;
    DataSources& dataSources() { return m_sources; }
    // The names of the sources the template's visible objects read (fields
    // in texts, bands, charts), each once, in template order. An owner whose
    // sources must be read on its own thread reads these before
    // startBuild().
    QStringList sourcesRead() const;

    // Named objects, for code that adapts a loaded template.
    ReportObject* findObject(const QString& name);
    // Gives a picture object a new image; false when there is no picture of that name.
    bool setPicture(const QString& name, const QImage& image);
    // The same from a picture file's bytes, decoded only when painted (a PDF
    // takes a JPEG as it is); false also when the bytes are no picture.
    bool setPictureData(const QString& name, const QByteArray& data);
    bool setObjectVisible(const QString& name, bool visible);

    // Builds now, emitting progress(); keeps the pages. False when the build
    // failed (lastError() says why) or another build is under way.
    bool build();
    // Starts a build on a build thread; the pages arrive through
    // pagesAdded(). Returns false, and builds nothing, while a build is
    // under way: the caller tells the operator to wait.
    bool startBuild();
    bool isBuilding() const { return m_job != nullptr; }
    // Stops the build under way after the page being laid out; it finishes
    // (buildFinished(false)) with wasCancelled() true and the pages so far.
    void cancelBuild();
    bool wasCancelled() const { return m_cancelled; }

    // The pages of the last build, for export, preview and printing.
    const BuiltReport& built() const { return *m_built; }
    int pageCount() const;
    // The text boxes of built page `index`, one per line.
    QString pageText(int index) const;
    const QStringList& lastWarnings() const { return m_warnings; }
    const QString& lastError() const { return m_error; }

signals:
    void buildStarted();
    // Template pages done; equals templatePageCount() on the last one.
    void progress(int done, int total);
    // Thousandths of the build done, and the pages built so far.
    void progressed(int permille, int pages);
    // The built pages grew to `count` (at most every few tens of ms).
    void pagesAdded(int count);
    void buildFinished(bool ok);

private:
    struct Job;
    void pageArrived(const SpilledPage& page, int templatePagesDone, int permille);
    void jobFinished(BuildResult result, bool cancelled);
    void finish(BuildResult result);
    void notifyPages();

    std::unique_ptr<ReportTemplate> m_template;
    DataSources m_sources;
    std::unique_ptr<BuiltReport> m_built;
    QStringList m_warnings;
    QString m_error;
    std::unique_ptr<Job> m_job;
    std::unique_ptr<Mailbox> m_mail; // a build thread's pages and result, made by the first build
    bool m_cancelled = false;
    bool m_notifyPending = false;
    int m_templatePagesReported = 0;
    int m_buildTemplatePages = 0;
};

} // namespace hra::reportengine
