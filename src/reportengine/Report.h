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
class ReportBuilder;
struct ReportObject;
struct ReportTemplate;
struct BuildResult;

// A report object: one loaded template, the data sources it reads, and the
// last built report. Builds run either at once (build()) or from the event
// loop (startBuild()), reporting progress as the number of template pages
// done out of templatePageCount().
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
    // build under way finishes on its own copy of the template.
    void clear();

    const ReportTemplate& reportTemplate() const { return *m_template; }
    // Opens the fonts the template's text uses now rather than during the
    // build, for a caller that has other work going on meanwhile.
    void loadFonts() const;
    int templatePageCount() const;
    // The names of the template's pages, in print order.
    QStringList templatePageNames() const;
    DataSources& dataSources() { return m_sources; }

    // Named objects, for code that adapts a loaded template.
    ReportObject* findObject(const QString& name);
    // Gives a picture object a new image; false when there is no picture of that name.
    bool setPicture(const QString& name, const QImage& image);
    bool setObjectVisible(const QString& name, bool visible);

    // Builds now, emitting progress(); keeps the pages. False when the build
    // failed (lastError() says why) or another build is under way.
    bool build();
    // Starts a build from the event loop. Returns false, and builds nothing,
    // while a build is under way: the caller tells the operator to wait.
    bool startBuild();
    bool isBuilding() const { return m_builder != nullptr; }

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
    void buildFinished(bool ok);

private:
    void runStep();
    void finish(BuildResult result);

    std::unique_ptr<ReportTemplate> m_template;
    DataSources m_sources;
    std::unique_ptr<BuiltReport> m_built;
    QStringList m_warnings;
    QString m_error;
    std::unique_ptr<ReportBuilder> m_builder;
};

} // namespace hra::reportengine
