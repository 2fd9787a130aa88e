#include "reportengine/widgets/ReportPreview.h"

#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/common/Units.h"
#include "reportengine/layout/BuiltReport.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QResizeEvent>
#include <QScrollBar>

namespace hra::reportengine {

namespace {
constexpr int kGap = 12; // grey space around the pages
}

class ReportPreview::Pages : public QWidget
{
public:
    explicit Pages(ReportPreview* owner) : QWidget(owner), m_owner(owner)
    {
        setObjectName(QStringLiteral("reportPreviewPages"));
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, QColor(0x80, 0x80, 0x80));
        setPalette(p);
    }

    qreal scale() const { return m_zoom * logicalDpiX() / kUnitsPerInch; }

    qreal m_zoom = 1;

    QSize pagePixels(int index) const
    {
        return (m_owner->m_report->pageSetup(index).paperSize() * scale()).toSize();
    }

    int top(int index) const
    {
        return index < int(m_tops.size()) ? m_tops[size_t(index)] : m_bottom;
    }

    // Places the pages from `from` on below those placed already: a build
    // that grows does not lay out its earlier pages again.
    void relayout(int from = 0)
    {
        const BuiltReport& report = *m_owner->m_report;
        from = std::clamp(from, 0, int(m_tops.size()));
        m_tops.resize(size_t(from));
        if (from == 0) {
            m_bottom = kGap;
            m_width = 0;
        }
        for (int i = from; i < report.pageCount(); ++i) {
            const QSize s = pagePixels(i);
            m_tops.push_back(m_bottom);
            m_width = std::max(m_width, s.width());
            m_bottom += s.height() + kGap;
        }
        resize(m_width + 2 * kGap, report.isEmpty() ? 0 : m_bottom);
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        const BuiltReport& report = *m_owner->m_report;
        // The first page that reaches into the area, found by its top.
        const auto after = std::upper_bound(m_tops.begin(), m_tops.end(), event->rect().top());
        int first = std::max(0, int(after - m_tops.begin()) - 1);
        for (int i = first; i < report.pageCount() && i < int(m_tops.size()); ++i) {
            const QSize s = pagePixels(i);
            const QRect pageRect(QPoint((width() - s.width()) / 2, m_tops[size_t(i)]), s);
            if (pageRect.top() > event->rect().bottom())
                break;
            if (pageRect.intersects(event->rect())) {
                painter.fillRect(pageRect, Qt::white);
                painter.save();
                painter.translate(pageRect.topLeft());
                scalePainterToUnits(painter, m_zoom * logicalDpiX());
                try {
                    report.paintPage(i, painter);
                } catch (const SpillError&) {
                    // A spilled page that cannot be read back stays white.
                }
                painter.restore();
            }
        }
    }

private:
    ReportPreview* m_owner;
    std::vector<int> m_tops;
    int m_bottom = kGap;
    int m_width = 0;
};

ReportPreview::ReportPreview(QWidget* parent)
    : QScrollArea(parent), m_pages(new Pages(this)), m_report(std::make_unique<BuiltReport>())
{
    setObjectName(QStringLiteral("reportPreview"));
    setWidget(m_pages);
    setWidgetResizable(false);
    setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setBackgroundRole(QPalette::Dark);
}

ReportPreview::~ReportPreview() = default;

int ReportPreview::pageCount() const
{
    return m_report->pageCount();
}

void ReportPreview::setReport(const BuiltReport& report)
{
    *m_report = report;
    m_largest = QSizeF();
    noteSizes(0);
    if (m_fit)
        refit();
    else
        m_pages->relayout();
}

void ReportPreview::addPages(const BuiltReport& report)
{
    const int from = pageCount();
    if (report.pageCount() < from) {
        setReport(report);
        return;
    }
    m_report->appendFrom(report, from);
    const QSizeF before = m_largest;
    noteSizes(from);
    if (m_fit && (m_largest != before || from <= 1))
        refit();
    else
        m_pages->relayout(from);
    emit pagesChanged(pageCount());
}

void ReportPreview::noteSizes(int from)
{
    for (int i = from; i < m_report->pageCount(); ++i)
        m_largest = m_largest.expandedTo(m_report->pageSetup(i).paperSize());
}

QSize ReportPreview::pageSize(int index) const
{
    if (index < 0 || index >= pageCount())
        return {};
    return m_pages->pagePixels(index);
}

qreal ReportPreview::zoom() const
{
    return m_pages->m_zoom;
}

void ReportPreview::setZoom(qreal zoom)
{
    m_fit = false;
    m_pages->m_zoom = std::clamp<qreal>(zoom, 0.05, 8);
    m_pages->relayout();
}

void ReportPreview::fitToWindow()
{
    m_fit = true;
    refit();
}

// The largest zoom at which the biggest page fits the viewport with its
// grey margin, both ways, without scroll bars.
void ReportPreview::refit()
{
    qreal zoom = 1;
    if (!m_report->isEmpty()) {
        const QSizeF atFull = m_largest * (m_pages->logicalDpiX() / kUnitsPerInch);
        QSize room = maximumViewportSize() - QSize(2 * kGap, 2 * kGap);
        // Pages below one another scroll, and the scroll bar takes its width.
        if (m_report->pageCount() > 1)
            room.rwidth() -= verticalScrollBar()->sizeHint().width();
        if (atFull.width() > 0 && atFull.height() > 0 && room.width() > 0 && room.height() > 0)
            zoom = std::min(room.width() / atFull.width(), room.height() / atFull.height());
        // Rounding to whole pixels must not bring the scroll bars back.
        zoom = std::max<qreal>(0.05, zoom * 0.999);
    }
    m_pages->m_zoom = zoom;
    m_pages->relayout();
}

void ReportPreview::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    if (m_fit)
        refit();
}

void ReportPreview::keyPressEvent(QKeyEvent* event)
{
    QScrollBar* bar = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Home:
        bar->setValue(bar->minimum());
        return;
    case Qt::Key_End:
        bar->setValue(bar->maximum());
        return;
    default:
        QScrollArea::keyPressEvent(event);
    }
}

void ReportPreview::follow(Report* report)
{
    connect(report, &Report::buildStarted, this, &ReportPreview::clear);
    connect(report, &Report::pagesAdded, this, [this, report] { addPages(report->built()); });
    connect(report, &Report::buildFinished, this, [this, report] { addPages(report->built()); });
}

void ReportPreview::clear()
{
    setReport(BuiltReport());
}

int ReportPreview::pageTop(int index) const
{
    return m_pages->top(index);
}

bool ReportPreview::print(QString* error)
{
    if (!hasPages())
        return false;
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    printer.setPageLayout(m_report->pageSetup(0).pageLayout());
    printer.setFromTo(1, pageCount());
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, pageCount());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return printReport(*m_report, printer, error);
}

QString exportFailureText(const ExportResult& result)
{
    if (!result.fullFile.isEmpty())
        return QStringLiteral("磁盘空间不足，无法写入 %1").arg(result.fullFile);
    return result.error;
}

bool printReport(const BuiltReport& report, QPrinter& printer, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (report.isEmpty())
        return false;
    int first = 0;
    int last = report.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(0, printer.fromPage() - 1);
        last = std::min(last, std::max(first, printer.toPage() - 1));
    }
    // A PDF file is written as the export writes it: real text, fonts
    // embedded, one way to make a PDF.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        ExportTarget target;
        target.pdfPath = printer.outputFileName();
        target.title = printer.docName();
        target.firstPage = first;
        target.lastPage = last;
        const ExportResult written = exportBuilt(report, target);
        return written.ok || fail(exportFailureText(written));
    }
    // Full-page mode: the painter's origin is the paper's corner, as paintPage expects.
    printer.setFullPage(true);
    printer.setPageLayout(report.pageSetup(first).pageLayout());
    QPainter painter;
    if (!painter.begin(&printer))
        return fail(QStringLiteral("the printer could not be started"));
    for (int i = first; i <= last; ++i) {
        if (i > first) {
            printer.setPageLayout(report.pageSetup(i).pageLayout());
            printer.newPage();
        }
        // One page at a time: a spilled report is never held whole.
        std::shared_ptr<const BuiltPage> page;
        try {
            page = report.pageAt(i);
        } catch (const SpillError& e) {
            // What went to the printer so far is withdrawn where it can be.
            printer.abort();
            painter.end();
            return fail(QString::fromUtf8(e.what()));
        }
        painter.save();
        scalePainterToUnits(painter, printer.resolution());
        paintPage(*page, painter);
        painter.restore();
    }
    if (!painter.end())
        return fail(QStringLiteral("the printer could not finish"));
    return true;
}

} // namespace hra::reportengine
