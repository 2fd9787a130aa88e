#include "reportengine/Report.h"

#include "reportengine/internal/Builder.h"
#include "reportengine/internal/Fonts.h"
#include "reportengine/internal/Log.h"
#include "reportengine/internal/TemplateLoader.h"

#include <QTimer>

namespace hra::reportengine {

Q_LOGGING_CATEGORY(lcReport, "hra.report", QtWarningMsg)

Report::Report(QObject* parent)
    : QObject(parent), m_template(std::make_unique<ReportTemplate>()),
      m_built(std::make_unique<BuiltReport>())
{
}

Report::~Report() = default;

LoadResult Report::load(const QString& path)
{
    ReportTemplate loaded;
    LoadResult result = loadTemplate(path, loaded);
    if (!result.ok)
        qCWarning(lcReport).noquote() << path << result.toString();
    setTemplate(std::move(loaded));
    return result;
}

LoadResult Report::loadFromData(const QByteArray& xml, const QString& baseDir)
{
    ReportTemplate loaded;
    LoadResult result = loadTemplateFromData(xml, baseDir, loaded);
    if (!result.ok)
        qCWarning(lcReport).noquote() << result.toString();
    setTemplate(std::move(loaded));
    return result;
}

void Report::setTemplate(ReportTemplate templ)
{
    *m_template = std::move(templ);
    *m_built = BuiltReport();
}

void Report::clear()
{
    setTemplate(ReportTemplate());
}

void Report::loadFonts() const
{
    reportengine::loadFonts(*m_template);
}

int Report::templatePageCount() const
{
    return int(m_template->pages.size());
}

QStringList Report::templatePageNames() const
{
    QStringList names;
    for (const TemplatePage& page : m_template->pages)
        names << page.name;
    return names;
}

ReportObject* Report::findObject(const QString& name)
{
    return m_template->findObject(name);
}

bool Report::setPicture(const QString& name, const QImage& image)
{
    ReportObject* object = m_template->findObject(name);
    auto* picture = object ? std::get_if<Picture>(&object->item) : nullptr;
    if (!picture)
        return false;
    picture->image = image;
    return true;
}

bool Report::setObjectVisible(const QString& name, bool visible)
{
    ReportObject* object = m_template->findObject(name);
    if (!object)
        return false;
    object->visible = visible;
    return true;
}

int Report::pageCount() const
{
    return m_built->pageCount();
}

QString Report::pageText(int index) const
{
    return m_built->pageText(index);
}

bool Report::build()
{
    if (isBuilding())
        return false;
    emit buildStarted();
    const int total = templatePageCount();
    BuildResult result =
        buildReport(*m_template, m_sources, [&](int done) { emit progress(done, total); });
    const bool ok = result.ok;
    finish(std::move(result));
    return ok;
}

bool Report::startBuild()
{
    if (isBuilding())
        return false;
    m_builder = std::make_unique<ReportBuilder>(*m_template, m_sources);
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
    *m_built = std::move(result.report);
    m_warnings = result.warnings;
    m_error = result.error;
    if (!result.ok)
        qCWarning(lcReport).noquote() << "build failed:" << m_error;
    for (const QString& w : m_warnings)
        qCInfo(lcReport).noquote() << w;
    emit buildFinished(result.ok);
}

} // namespace hra::reportengine
