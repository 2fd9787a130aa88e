#pragma once

#include <QScrollArea>
#include <memory>

class QPrinter;

namespace hra::reportengine {

class BuiltReport;
class Report;

// Shows built pages one below the other, with scrolling. It opens fitted to
// the window (a whole page in view, following the window's size) until a
// zoom is set.
class ReportPreview : public QScrollArea
{
    Q_OBJECT

public:
    explicit ReportPreview(QWidget* parent = nullptr);
    ~ReportPreview() override;

    void setReport(const BuiltReport& report);
    // Takes the pages `report` has beyond those shown (a build that grew).
    void addPages(const BuiltReport& report);
    // Shows the pages of each build of `report` as they arrive, and clears
    // the pages when a build starts.
    void follow(Report* report);
    void clear();
    bool hasPages() const { return pageCount() > 0; }
    int pageCount() const;
    const BuiltReport& report() const { return *m_report; }
    // Top of page `index` in the scrolled widget's coordinates.
    int pageTop(int index) const;
    // Size of page `index` as shown, in pixels.
    QSize pageSize(int index) const;

    // 1 is 100 %. Setting a zoom ends fitting to the window.
    qreal zoom() const;
    void setZoom(qreal zoom);
    bool fitsWindow() const { return m_fit; }
    void fitToWindow();

    // Prints through the print dialog, the default printer chosen; does
    // nothing when there are no pages. Returns whether anything was printed.
    bool print();

signals:
    void pagesChanged(int count);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refit();
    void noteSizes(int from);

    class Pages;
    Pages* m_pages;
    std::unique_ptr<BuiltReport> m_report;
    bool m_fit = true;
    QSizeF m_largest; // the largest paper among the pages
};

// Sends pages to a printer set up by the caller (page range honoured);
// false when the printer cannot be started.
bool printReport(const BuiltReport& report, QPrinter& printer);

} // namespace hra::reportengine
