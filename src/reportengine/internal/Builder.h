#pragma once

#include "reportengine/DataSource.h"
#include "reportengine/internal/BuiltReport.h"
#include "reportengine/internal/Template.h"

#include <QSet>
#include <QStringList>
#include <functional>

namespace hra::reportengine {

struct BuildResult
{
    bool ok = true;
    QString error;        // why the build stopped (a data source failed)
    QStringList warnings; // unknown sources and fields, which print as empty text
    BuiltReport report;
};

// Lays a template out page by page. Each data source is told when the build
// first reads it (aboutToRead) and is moved to its first row; expressions
// print the current row. A build is a sequence of steps, one template page
// each, so that it can run from the event loop with progress in between.
class ReportBuilder
{
public:
    ReportBuilder(ReportTemplate templ, DataSources sources);

    int templatePageCount() const { return int(m_template.pages.size()); }
    int pagesDone() const { return m_next; }
    bool atEnd() const { return m_next >= templatePageCount() || !m_result.ok; }
    // Builds the next template page. An exception from a data source ends
    // the build with ok == false.
    void step();
    // The result, with a warning for characters printed without a glyph.
    BuildResult takeResult();

private:
    void buildPage(const TemplatePage& page);
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

    ReportTemplate m_template;
    DataSources m_sources;
    BuildResult m_result;
    int m_next = 0;
    QSet<DataSource*> m_touched;
    QSet<QString> m_warned;
    const DataSource* m_bandSource = nullptr;
    int m_bandRow = -1;
    bool m_noFont = false;
    QSet<QString> m_missingSeen;
    QString m_missingGlyphs; // the first few, in order of appearance
};

// Builds the whole template at once; `progress` gets the number of template
// pages done after each one.
BuildResult buildReport(const ReportTemplate& templ, const DataSources& sources,
                        const std::function<void(int done)>& progress = {});

// Lays out one text box with its resolved text inside `rect` (units). A
// growing box gets the height its text needs, never less than `rect`.
TextPrimitive layoutTextBox(const TextBox& box, const QString& text, const QRectF& rect);

} // namespace hra::reportengine
