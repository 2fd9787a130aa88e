#include "reportengine/widgets/ReportPreview.h"

#include "reportengine/Report.h"
#include "reportengine/internal/BuiltReport.h"
#include "reportengine/internal/PdfTextMaps.h"
#include "reportengine/internal/Units.h"

#include <QFile>
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
        return (m_owner->m_report->page(index).setup.paperSize() * scale()).toSize();
    }

    int top(int index) const
    {
        int y = kGap;
        for (int i = 0; i < index; ++i)
            y += pagePixels(i).height() + kGap;
        return y;
    }

    void relayout()
    {
        int width = 0;
        int height = kGap;
        for (int i = 0; i < m_owner->m_report->pageCount(); ++i) {
            const QSize s = pagePixels(i);
            width = std::max(width, s.width());
            height += s.height() + kGap;
        }
        resize(width + 2 * kGap, m_owner->m_report->isEmpty() ? 0 : height);
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        const BuiltReport& report = *m_owner->m_report;
        int y = kGap;
        for (int i = 0; i < report.pageCount(); ++i) {
            const QSize s = pagePixels(i);
            const QRect pageRect(QPoint((width() - s.width()) / 2, y), s);
            if (pageRect.intersects(event->rect())) {
                painter.fillRect(pageRect, Qt::white);
                painter.save();
                painter.translate(pageRect.topLeft());
                scalePainterToUnits(painter, m_zoom * logicalDpiX());
                report.paintPage(i, painter);
                painter.restore();
            }
            y += s.height() + kGap;
        }
    }

private:
    ReportPreview* m_owner;
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
    if (m_fit)
        refit();
    else
        m_pages->relayout();
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
        QSizeF largest;
        for (int i = 0; i < m_report->pageCount(); ++i)
            largest = largest.expandedTo(m_report->page(i).setup.paperSize());
        const QSizeF atFull = largest * (m_pages->logicalDpiX() / kUnitsPerInch);
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

void ReportPreview::follow(Report* report)
{
    connect(report, &Report::buildStarted, this, &ReportPreview::clear);
    connect(report, &Report::buildFinished, this, [this, report] { setReport(report->built()); });
}

void ReportPreview::clear()
{
    setReport(BuiltReport());
}

int ReportPreview::pageTop(int index) const
{
    return m_pages->top(index);
}

bool ReportPreview::print()
{
    if (!hasPages())
        return false;
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    printer.setPageLayout(m_report->page(0).setup.pageLayout());
    printer.setFromTo(1, pageCount());
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, pageCount());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return printReport(*m_report, printer);
}

bool printReport(const BuiltReport& report, QPrinter& printer)
{
    if (report.isEmpty())
        return false;
    int first = 0;
    int last = report.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(0, printer.fromPage() - 1);
        last = std::min(last, std::max(first, printer.toPage() - 1));
    }
    // Full-page mode: the painter's origin is the paper's corner, as paintPage expects.
    printer.setFullPage(true);
    printer.setPageLayout(report.page(first).setup.pageLayout());
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    for (int i = first; i <= last; ++i) {
        if (i > first) {
            printer.setPageLayout(report.page(i).setup.pageLayout());
            printer.newPage();
        }
        painter.save();
        scalePainterToUnits(painter, printer.resolution());
        report.paintPage(i, painter);
        painter.restore();
    }
    if (!painter.end())
        return false;
    // Printing to a PDF file gets the same text maps as the PDF export.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        QFile file(printer.outputFileName());
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray pdf = file.readAll();
            file.close();
            const QByteArray repaired = repairPdfTextMaps(pdf, report);
            if (repaired != pdf && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(repaired);
        }
    }
    return true;
}

} // namespace hra::reportengine
