#pragma once

#include "reportengine/DataSource.h"
#include "reportengine/layout/BuiltReport.h"
#include "reportengine/layout/Template.h"

#include <QSet>
#include <QStringList>
#include <functional>

namespace hra::reportengine {

struct BuildResult
{
    bool ok = true;
    QString error;        // why the build stopped (a data source failed)
    QStringList warnings; // unknown sources and fields, which print as empty text
    BuiltReport report;   // the pages, unless a page sink took them
};

// Where a build stands: template pages done, and within a data band the
// rows laid out so far of its source's rowCount().
struct BuildProgress
{
    int templatePagesDone = 0;
    int templatePages = 0;
    int rowsDone = 0; // of the band being laid out
    int rowCount = 0; // 0 outside a band
    int pagesBuilt = 0;

    // The share done, in thousandths: each template page counts alike, a
    // band's page in proportion to its rows.
    int permille() const;
};

// Lays a template out page by page. Each data source is told when the build
// first reads it (aboutToRead) and is moved to its first row; expressions
// print the current row. A build is a sequence of steps, one output page
// each (a band over many rows yields its pages one at a time), so that it
// can report progress and be stopped between pages.
class ReportBuilder
{
public:
    // Takes each finished page; without one the pages are kept in the result.
    using PageSink = std::function<void(BuiltPage&& page)>;

    ReportBuilder(ReportTemplate templ, DataSources sources);
    // Tells the sources read that the build is over, unless takeResult() did.
    ~ReportBuilder();
    ReportBuilder(const ReportBuilder&) = delete;
    ReportBuilder& operator=(const ReportBuilder&) = delete;

    void setPageSink(PageSink sink) { m_sink = std::move(sink); }

    int templatePageCount() const { return int(m_template.pages.size()); }
    // Template pages finished.
    int pagesDone() const { return m_next; }
    int pagesBuilt() const { return m_pagesBuilt; }
    BuildProgress progress() const;
    bool atEnd() const { return m_next >= templatePageCount() || !m_result.ok; }
    // Builds the next output page. An exception from a data source or a page
    // sink ends the build with ok == false.
    void step();
    // The result, with a warning for characters printed without a glyph.
    // Tells every source read that the build is over with it.
    BuildResult takeResult();

private:
    // Starts template page m_next; true when it holds a band to continue.
    bool beginTemplatePage();
    // Lays out band rows until a page is full or the rows end.
    void continueBand();
    void emitPage(BuiltPage&& page);
    void endTemplatePage();
    BuiltPage startPage(const TemplatePage& page);
    // Places an object shifted by `offset`; returns the bottom of what it drew.
    qreal place(const ReportObject& object, QPointF offset, int pageNumber,
                std::vector<Primitive>& out);
    DataSource* touch(const QString& name);
    QString fieldText(const QString& source, const QString& field);
    void warn(const QString& message);
    // Once per key (an object cut on every row is told once).
    void warnOnce(const QString& key, const QString& message);
    void noteMissingGlyphs(const TextPrimitive& text);
    void finishReading();

    ReportTemplate m_template;
    DataSources m_sources;
    BuildResult m_result;
    PageSink m_sink;
    int m_next = 0;
    int m_pagesBuilt = 0;
    QSet<DataSource*> m_touched;
    QSet<QString> m_warned;
    // The band of the template page under way, between steps.
    const ReportObject* m_bandObject = nullptr;
    DataSource* m_bandSourceRead = nullptr;
    BuiltPage m_page;
    qreal m_y = 0;
    int m_rowsOnPage = 0;
    const DataSource* m_bandSource = nullptr;
    int m_bandRow = -1;
    bool m_noFont = false;
    QSet<QString> m_missingSeen;
    QString m_missingGlyphs; // the first few, in order of appearance
};

// Builds the whole template at once; `progress` gets the number of template
// pages done after each output page.
BuildResult buildReport(const ReportTemplate& templ, const DataSources& sources,
                        const std::function<void(int done)>& progress = {});

// Lays out one text box with its resolved text inside `rect` (units). A
// growing box gets the height its text needs, never less than `rect`.
TextPrimitive layoutTextBox(const TextBox& box, const QString& text, const QRectF& rect);

} // namespace hra::reportengine
