#include "reportengine/Report.h"

#include <QTimer>

namespace hra::reportengine {

Report::Report(QObject* parent) : QObject(parent) {}

Report::~Report() = default;

LoadResult Report::load(const QString& path)
{
    ReportTemplate loaded;
    LoadResult result = loadTemplate(path, loaded);
    m_template = std::move(loaded);
    m_built = BuiltReport();
    return result;
}

void Report::setTemplate(ReportTemplate templ)
{
    m_template = std::move(templ);
    m_built = BuiltReport();
}

void Report::clear()
{
    m_template = ReportTemplate();
    m_built = BuiltReport();
}

bool Report::setPicture(const QString& name, const QImage& image)
{
    ReportObject* object = m_template.findObject(name);
    auto* picture = object ? std::get_if<Picture>(&object->item) : nullptr;
    if (!picture)
        return false;
    picture->image = image;
    return true;
}

bool Report::setObjectVisible(const QString& name, bool visible)
{
    ReportObject* object = m_template.findObject(name);
    if (!object)
        return false;
    object->visible = visible;
    return true;
}

BuildResult Report::build()
{
    if (isBuilding()) {
        BuildResult busy;
        busy.ok = false;
        busy.error = QStringLiteral("a build is under way");
        return busy;
    }
    emit buildStarted();
    const int total = templatePageCount();
    BuildResult result =
        buildReport(m_template, m_sources, [&](int done) { emit progress(done, total); });
    m_built = result.report;
    m_warnings = result.warnings;
    m_error = result.error;
    emit buildFinished(result.ok);
    return result;
}

bool Report::startBuild()
{
    if (isBuilding())
        return false;
    m_builder = std::make_unique<ReportBuilder>(m_template, m_sources);
    emit buildStarted();
    QTimer::singleShot(0, this, &Report::runStep);
    return true;
}

void Report::runStep()
{
    if (!m_builder)
        return;
    m_builder->step();
    emit progress(m_builder->pagesDone(), m_builder->templatePageCount());
    if (m_builder->atEnd()) {
        BuildResult result = m_builder->takeResult();
        m_builder.reset();
        finish(std::move(result));
        return;
    }
    QTimer::singleShot(0, this, &Report::runStep);
}

void Report::finish(BuildResult result)
{
    m_built = std::move(result.report);
    m_warnings = result.warnings;
    m_error = result.error;
    emit buildFinished(result.ok);
}

} // namespace hra::reportengine
