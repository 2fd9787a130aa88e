#pragma once

#include <QScrollArea>
#include <memory>

class QPrinter;

namespace hra::reportengine {

class BuiltReport;
class Report;
struct ExportResult;

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
    // nothing when there are no pages. Returns whether anything was printed;
    // false with an error when printing failed, without one when cancelled.
    bool print(QString* error = nullptr);

signals:
    void pagesChanged(int count);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Home and End go to the first and the last page (with Ctrl too).
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refit();
    void noteSizes(int from);

    class Pages;
    Pages* m_pages;
    std::unique_ptr<BuiltReport> m_report;
    bool m_fit = true;
    QSizeF m_largest; // the largest paper among the pages
};

// What a window says when an export failed: lack of disk space in the
// operator's words, naming the file; any other failure as the export gave it.
QString exportFailureText(const ExportResult& result);

// Sends pages to a printer set up by the caller (page range honoured); a
// printer set to a PDF file gets the PDF the export writes. False with an
// error when the printer cannot be started, a spilled page cannot be read
// back or the PDF cannot be written.
bool printReport(const BuiltReport& report, QPrinter& printer, QString* error = nullptr);

} // namespace hra::reportengine
