#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QPushButton;

namespace hra::reportengine {

class Report;
class ReportPreview;

// A built report in a window with "&P 打印", "&E 导出PDF" and "&C 关闭".
// What is particular to a report (the file name offered, how the outcome is
// told to the operator) comes from a subclass.
class PreviewDialog : public QDialog
{
    Q_OBJECT

public:
    // Makes the command buttons, so that a program can give them its own look.
    using ButtonFactory = std::function<QPushButton*(const QString& caption, QWidget* parent)>;

    PreviewDialog(std::unique_ptr<Report> report, QWidget* parent = nullptr,
                  const ButtonFactory& makeButton = {});
    ~PreviewDialog() override;

    Report& report() const { return *m_report; }
    ReportPreview* preview() const { return m_preview; }

    // Asks for a file name, writes the pages to it as PDF (the document
    // titled pdfTitle()) and tells the outcome; nothing when no file is chosen.
    void exportPdf();

protected:
    // The file to write, or empty text when the operator cancelled.
    virtual QString askPdfPath() = 0;
    virtual void pdfExported(bool ok, const QString& error) = 0;
    virtual QString pdfTitle() const { return windowTitle(); }

private:
    std::unique_ptr<Report> m_report;
    ReportPreview* m_preview;
};

} // namespace hra::reportengine
