#pragma once

#include "analysis/AnalysisSession.h"
#include "report/Sections.h"
#include "reportengine/DataSource.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

namespace hra::store {
class Connection;
}
namespace hra::reportengine {
class Report;
}

namespace hra::report {

// A report dataset read from the session when a build first reads it, so
// that a section computes only what its pages show.
class SessionDataSource : public reportengine::DataSource
{
public:
    SessionDataSource(QString name, analysis::AnalysisSession& session);

    QStringList fieldNames() const override { return m_rows.fields; }
    int rowCount() const override { return int(m_rows.size()); }
    QVariant value(int row, int field) const override;
    // Reads the rows unless readNow() did already.
    void aboutToRead() override;
    // Reads the rows now, on a thread that may use the session's connection,
    // before a build on another thread reads them.
    void readNow();
    // Keeps what readNow() read (no rows when it did not run) and lets go of
    // the session, which may then end before the build.
    void detach();

private:
    analysis::AnalysisSession* m_session;
    store::Rows m_rows;
    bool m_read = false;
};

// The cover picture "Pic_fm" takes the stored cover, or is hidden when there
// is none (or what is stored is no JPEG picture). Returns whether it shows.
bool applyCover(reportengine::Report& report, const store::Connection& connection);
// The same with the cover as loadCover() read it.
bool applyCover(reportengine::Report& report, const std::optional<QByteArray>& stored);

// Makes the report ready to build one section for the assessment open in the
// session: empties the report, runs the section's evaluations again in their
// order and then the four every report reopens, loads the section's template
// (a missing file leaves the report empty; a faulty one too, logged), sets
// the cover where the section has one, and gives the report every dataset of
// the session. When the session has no assessment open the sources stay
// empty and the pages print without data. Throws store::DatabaseError.
void prepareSection(reportengine::Report& report, analysis::AnalysisSession& session,
                    const store::Connection& connection, const Section& section,
                    const QString& reportsDirectory);

// The steps of prepareSection, for a caller that runs the database ones on
// another thread: the evaluations (none without an open assessment), the
// template (which touches no database), and the datasets.
void runSectionEvaluations(analysis::AnalysisSession& session, const Section& section);
void loadSectionTemplate(reportengine::Report& report, const Section& section,
                         const QString& reportsDirectory);
void addSessionSources(reportengine::Report& report, analysis::AnalysisSession& session);

// Reads now, on the calling thread, every session dataset the loaded
// template reads, so that a build on another thread never touches the
// database. Throws store::DatabaseError.
void readSessionDatasets(reportengine::Report& report);
// After readSessionDatasets: every session source of the report keeps what
// it read and no longer refers to the session, so that the session can end
// and its connection close while the pages are built.
void detachSessionSources(reportengine::Report& report);

// One plain sentence per evaluation that had no result since the session
// opened the assessment; empty when all had one.
QString problemsText(const analysis::AnalysisSession& session);

} // namespace hra::report
