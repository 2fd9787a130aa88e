#include "report/SectionBuild.h"

#include "report/CentreSettings.h"
#include "reportengine/Report.h"
#include "store/Connection.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <set>

namespace hra::report {

Q_LOGGING_CATEGORY(lcSections, "hra.report")

namespace {
// The full-page picture of the cover page, as the templates name it.
const QString kCoverPicture = QStringLiteral("Pic_fm");
} // namespace

SessionDataSource::SessionDataSource(QString name, analysis::AnalysisSession& session)
    : DataSource(std::move(name)), m_session(&session)
{
}

QVariant SessionDataSource::value(int row, int field) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    return m_rows.rows.at(row).value(field);
}

void SessionDataSource::aboutToRead()
{
    if (!m_read)
        readNow();
}

void SessionDataSource::readNow()
{
    m_rows = m_session && m_session->isOpen() ? m_session->dataset(name()) : store::Rows{};
    m_read = true;
}

void readSessionDatasets(reportengine::Report& report, AfterReading after)
{
    for (const QString& name : report.sourcesRead()) {
        if (auto* source = dynamic_cast<SessionDataSource*>(report.dataSources().find(name)))
            source->readNow();
    }
    if (after == AfterReading::LetGo) {
        for (const QString& name : analysis::AnalysisSession::datasetNames()) {
            if (auto* source = dynamic_cast<SessionDataSource*>(report.dataSources().find(name)))
                source->letGoOfSession();
        }
    }
}

bool applyCover(reportengine::Report& report, const store::Connection& connection)
{
    return applyCover(report, loadCover(connection));
}

bool applyCover(reportengine::Report& report, const std::optional<QByteArray>& stored)
{
    // The cover stays as stored: the PDF embeds the JPEG unchanged and the
    // preview decodes it when it first paints the cover.
    if (stored) {
        if (stored->startsWith("\xff\xd8\xff") && report.setPictureData(kCoverPicture, *stored))
            return true;
        qCWarning(lcSections).noquote()
            << "the stored cover is left out: no JPEG picture, or too large to decode";
    }
    report.setObjectVisible(kCoverPicture, false);
    return false;
}

void prepareSection(reportengine::Report& report, analysis::AnalysisSession& session,
                    const store::Connection& connection, const Section& section,
                    const QString& reportsDirectory)
{
    report.clear();
    report.dataSources().clear();
    runSectionEvaluations(session, section);
    loadSectionTemplate(report, section, reportsDirectory);
    if (section.cover)
        applyCover(report, connection);
    addSessionSources(report, session);
}

void runSectionEvaluations(analysis::AnalysisSession& session, const Section& section)
{
    if (session.isOpen())
        session.runAll(runOrder(section));
}

bool loadSectionTemplate(reportengine::Report& report, const Section& section,
                         const QString& reportsDirectory, QString* error)
{
    const QString path = templatePath(reportsDirectory, section);
    const reportengine::LoadResult loaded = report.load(path);
    if (loaded.ok && QFileInfo::exists(path))
        return true;
    if (loaded.ok) { // a missing file loads as an empty template
        if (error)
            *error = QStringLiteral("the report template %1 is missing").arg(path);
        return false;
    }
    qCWarning(lcSections).noquote() << loaded.toString();
    report.clear();
    if (error)
        *error = loaded.toString();
    return false;
}

void addSessionSources(reportengine::Report& report, analysis::AnalysisSession& session)
{
    for (const QString& name : analysis::AnalysisSession::datasetNames())
        report.dataSources().add(std::make_shared<SessionDataSource>(name, session));
}

QString problemsText(const analysis::AnalysisSession& session)
{
    QStringList lines;
    std::set<analysis::Evaluation> told;
    for (const analysis::EvaluationProblem& p : session.problems()) {
        if (!told.insert(p.evaluation).second)
            continue;
        lines << QStringLiteral("%1：%2").arg(analysis::evaluationName(p.evaluation), p.message);
    }
    if (lines.isEmpty())
        return {};
    return QStringLiteral("以下内容无法评估，报告中相应部分为空：\n") + lines.join(u'\n');
}

} // namespace hra::report
