#include "reportengine/widgets/PreviewDialog.h"

#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/fonts/Fonts.h"
#include "reportengine/layout/BuiltReport.h"
#include "reportengine/widgets/ReportPreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace hra::reportengine {

PreviewDialog::PreviewDialog(std::unique_ptr<Report> report, QWidget* parent,
                             const ButtonFactory& makeButton)
    : QDialog(parent), m_report(std::move(report)), m_preview(new ReportPreview(this)),
      m_progress(new QProgressBar(this)), m_pages(new QLabel(this))
{
    setWindowTitle(QStringLiteral("打印预览"));
    m_preview->setReport(m_report->built());
    m_preview->follow(m_report.get());

    auto button = [&](const QString& caption, const char* name) {
        QPushButton* b = makeButton ? makeButton(caption, this) : new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    m_print = button(QStringLiteral("&P 打印"), "print");
    m_pdf = button(QStringLiteral("&E 导出PDF"), "exportPdf");
    QPushButton* close = button(QStringLiteral("&C 关闭"), "close");
    m_cancel = button(QStringLiteral("取消"), "cancel");
    m_progress->setObjectName(QStringLiteral("buildProgress"));
    m_progress->setRange(0, 1000);
    m_progress->setTextVisible(false);
    m_pages->setObjectName(QStringLiteral("pageCount"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_print);
    buttons->addWidget(m_pdf);
    buttons->addStretch();
    buttons->addWidget(m_pages);
    buttons->addWidget(close);
    auto* work = new QHBoxLayout;
    work->addWidget(m_progress, 1);
    work->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addLayout(work);
    layout->addWidget(m_preview, 1);
    connect(m_print, &QPushButton::clicked, this, [this] {
        QString error;
        if (m_preview->print(&error))
            printed();
        else if (!error.isEmpty())
            printFailed(error);
    });
    connect(m_pdf, &QPushButton::clicked, this, &PreviewDialog::exportPdf);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_cancel, &QPushButton::clicked, this, &PreviewDialog::cancel);
    connect(m_report.get(), &Report::progressed, m_progress, &QProgressBar::setValue);
    connect(m_report.get(), &Report::buildFinished, this, &PreviewDialog::buildEnded);
    connect(m_preview, &ReportPreview::pagesChanged, this,
            [this](int count) { m_pages->setText(QStringLiteral("共 %1 页").arg(count)); });
    if (m_preview->hasPages())
        m_pages->setText(QStringLiteral("共 %1 页").arg(m_preview->pageCount()));
    showWork(m_report->isBuilding());
    resize(1180, 820);
}

PreviewDialog::~PreviewDialog()
{
    if (m_exportThread) {
        m_exportCancel = true;
        m_exportThread->wait();
    }
}

bool PreviewDialog::startBuild()
{
    if (!m_report->startBuild())
        return false;
    m_progress->setValue(0);
    showWork(true);
    return true;
}

void PreviewDialog::showWork(bool working)
{
    m_progress->setVisible(working);
    m_cancel->setVisible(working);
    m_print->setEnabled(!working);
    m_pdf->setEnabled(!working);
}

void PreviewDialog::buildEnded(bool ok)
{
    showWork(false);
    if (!ok && !m_report->wasCancelled()) {
        buildFailed(m_report->lastError());
        reject();
    }
}

void PreviewDialog::cancel()
{
    if (m_exportThread) {
        m_exportCancel = true;
        return;
    }
    if (m_report->isBuilding()) {
        m_report->cancelBuild();
        reject();
    }
}

void PreviewDialog::exportPdf()
{
    if (m_report->isBuilding() || m_exportThread)
        return;
    const QString path = askPdfPath();
    if (path.isEmpty())
        return;
    ExportTarget target;
    target.pdfPath = path;
    target.title = pdfTitle();
    const BuiltReport pages = m_preview->report();
    if (!pages.isSpilled()) {
        // Pages laid out on this thread hold this thread's fonts: written here.
        exportEnded(exportBuilt(pages, target));
        return;
    }
    m_exportCancel = false;
    m_progress->setValue(0);
    showWork(true);
    m_exportThread.reset(QThread::create([this, pages, target] {
        ExportControl control;
        control.cancel = &m_exportCancel;
        control.progress = [this](int, int permille) {
            m_mail.send([this, permille] { m_progress->setValue(permille); });
        };
        const ExportResult result = exportBuilt(pages, target, control);
        releaseThreadFonts();
        m_mail.send([this, result] { exportEnded(result); });
    }));
    m_exportThread->start();
}

void PreviewDialog::exportEnded(const ExportResult& result)
{
    if (m_exportThread) {
        m_exportThread->wait();
        m_exportThread.reset();
    }
    showWork(false);
    if (!result.cancelled)
        pdfExported(result.ok, exportFailureText(result));
}

} // namespace hra::reportengine
