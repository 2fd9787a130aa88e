#include "reportengine/Report.h"

#include "reportengine/common/Log.h"
#include "reportengine/common/Mailbox.h"
#include "reportengine/common/TaskQueue.h"
#include "reportengine/fonts/Fonts.h"
#include "reportengine/layout/Builder.h"
#include "reportengine/layout/Expression.h"
#include "reportengine/layout/PageSpill.h"
#include "reportengine/layout/TemplateLoader.h"

#include <QThread>
#include <QTimer>
#include <atomic>
#include <functional>
#include <utility>

namespace hra::reportengine {

Q_LOGGING_CATEGORY(lcReport, "hra.report", QtWarningMsg)

Report::Report(QObject* parent)
    : QObject(parent), m_template(std::make_unique<ReportTemplate>()),
      m_built(std::make_unique<BuiltReport>())
{
}

// A build on its thread. The thread owns the builder; it hands pages and
// the result over to the report, which outlives it (the report stops and
// waits for it when destroyed), through the report's mailbox.
struct Report::Job
{
    std::unique_ptr<QThread> thread;
    std::atomic_bool cancel = false;
    std::shared_ptr<PageSpill> spill;
};

Report::~Report()
{
    if (m_job) {
        m_job->cancel = true;
        m_job->thread->wait();
    }
}

LoadResult Report::load(const QString& path)
{
    // The template is parsed on a thread of its own while this one reads the
    // system's font list, which the first layout would wait for otherwise:
    // in a fresh process each takes several milliseconds. The task queue's
    // hand-over, unlike std::future's, is one the thread sanitizer sees.
    ReportTemplate loaded;
    TaskQueue parser;
    auto parsed = parser.post([&] { return loadTemplate(path, loaded); });
    prepareFontDatabase();
    LoadResult result = parsed.get();
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
    if (!isBuilding())
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

namespace {

void collectSources(const ReportObject& object, QStringList& names)
{
    if (!object.visible)
        return;
    auto note = [&](const QString& name) {
        if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
            names << name;
    };
    if (const auto* text = std::get_if<TextBox>(&object.item)) {
        if (hasExpressions(text->text)) {
            for (const TextPart& part : parseText(text->text)) {
                if (part.kind == TextPart::Field)
                    note(part.source);
            }
        }
    } else if (const auto* chart = std::get_if<BarChart>(&object.item)) {
        note(chart->source);
    } else if (const auto* band = std::get_if<DataBand>(&object.item)) {
        note(band->source);
        for (const ReportObject& child : band->children)
            collectSources(child, names);
    }
}

} // namespace

QStringList Report::sourcesRead() const
{
    QStringList names;
    for (const TemplatePage& page : m_template->pages) {
        for (const ReportObject& object : page.objects)
            collectSources(object, names);
    }
    return names;
}

ReportObject* Report::findObject(const QString& name)
{
    return m_template->findObject(name);
}

namespace {

Picture* pictureNamed(ReportTemplate& templ, const QString& name)
{
    ReportObject* object = templ.findObject(name);
    return object ? std::get_if<Picture>(&object->item) : nullptr;
}

} // namespace

bool Report::setPicture(const QString& name, const QImage& image)
{
    Picture* picture = pictureNamed(*m_template, name);
    if (!picture)
        return false;
    picture->image = image;
    return true;
}

bool Report::setPictureData(const QString& name, const QByteArray& data)
{
    Picture* picture = pictureNamed(*m_template, name);
    PictureImage image = picture ? PictureImage::fromData(data) : PictureImage();
    if (image.isNull())
        return false;
    picture->image = std::move(image);
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
    m_cancelled = false;
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
    m_job = std::make_unique<Job>();
    m_job->spill = std::make_shared<PageSpill>();
    m_cancelled = false;
    m_templatePagesReported = 0;
    m_buildTemplatePages = templatePageCount();
    *m_built = BuiltReport();
    auto builder = std::make_unique<ReportBuilder>(*m_template, m_sources);
    if (!m_mail)
        m_mail = std::make_unique<Mailbox>();
    Job* job = m_job.get();
    const auto send = [mail = m_mail.get()](std::function<void()> call) {
        mail->send(std::move(call));
    };
    m_job->thread.reset(QThread::create([this, job, send, owned = std::move(builder)]() mutable {
        // The builder ends on this thread: the last page it holds was laid
        // out with this thread's fonts.
        std::unique_ptr<ReportBuilder> builder = std::move(owned);
        const std::shared_ptr<PageSpill> spill = job->spill;
        builder->setPageSink([&](BuiltPage&& page) {
            const SpilledPage spilled = spill->write(page);
            const BuildProgress p = builder->progress();
            send([this, spilled, done = p.templatePagesDone, permille = p.permille()] {
                pageArrived(spilled, done, permille);
            });
        });
        auto result = std::make_shared<BuildResult>();
        bool cancelled = false;
        if (spill->isOpen()) {
            while (!builder->atEnd() && !job->cancel)
                builder->step();
            cancelled = !builder->atEnd();
            *result = builder->takeResult();
            if (cancelled) {
                result->ok = false;
                result->error = QStringLiteral("cancelled");
            }
        } else {
            result->ok = false;
            result->error =
                QStringLiteral("no temporary file for the pages: %1").arg(spill->errorString());
        }
        builder.reset();
        releaseThreadFonts();
        send([this, result, cancelled] { jobFinished(std::move(*result), cancelled); });
    }));
    emit buildStarted();
    m_job->thread->start();
    return true;
}

void Report::cancelBuild()
{
    if (m_job)
        m_job->cancel = true;
}

void Report::pageArrived(const SpilledPage& page, int templatePagesDone, int permille)
{
    if (!m_job)
        return;
    m_built->appendSpilled(m_job->spill, page);
    if (templatePagesDone != m_templatePagesReported) {
        m_templatePagesReported = templatePagesDone;
        emit progress(templatePagesDone, m_buildTemplatePages);
    }
    emit progressed(permille, m_built->pageCount());
    if (!m_notifyPending) {
        m_notifyPending = true;
        QTimer::singleShot(50, this, &Report::notifyPages);
    }
}

void Report::notifyPages()
{
    m_notifyPending = false;
    emit pagesAdded(m_built->pageCount());
}

void Report::jobFinished(BuildResult result, bool cancelled)
{
    if (!m_job)
        return;
    m_cancelled = cancelled;
    m_job->thread->wait();
    m_job.reset();
    // The pages came one by one; the result holds none.
    result.report = *m_built;
    if (m_notifyPending || !m_built->isEmpty())
        notifyPages();
    finish(std::move(result));
}

void Report::finish(BuildResult result)
{
    *m_built = std::move(result.report);
    m_warnings = result.warnings;
    m_error = result.error;
    if (!result.ok && !m_cancelled)
        qCWarning(lcReport).noquote() << "build failed:" << m_error;
    for (const QString& w : m_warnings)
        qCInfo(lcReport).noquote() << w;
    emit buildFinished(result.ok);
}

} // namespace hra::reportengine
