#pragma once

#include "reportengine/common/Mailbox.h"

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QThread;

namespace hra::reportengine {

class Report;
class ReportPreview;
struct ExportResult;

// A report in a window with "&P 打印", "&E 导出PDF" and "&C 关闭". A build
// started here (startBuild()) runs on a build thread: the pages show as
// they arrive, a progress bar with "取消" stands below the buttons, and
// printing and export wait for the build to end. The PDF export runs on a
// thread of its own with the same progress bar and "取消". What is
// particular to a report (the file name offered, how the outcome is told to
// the operator) comes from a subclass.
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

    // Builds the report on a build thread into the preview; false while a
    // build is under way.
    bool startBuild();
    bool isExporting() const { return m_exportThread != nullptr; }

    // Asks for a file name, writes the pages to it as PDF (the document
    // titled pdfTitle()) and tells the outcome; nothing when no file is
    // chosen. A report built on a build thread is written on an export
    // thread: the outcome is told when it ends.
    void exportPdf();
    // Stops the build (and closes the window) or the export under way.
    void cancel();

protected:
    // The file to write, or empty text when the operator cancelled.
    virtual QString askPdfPath() = 0;
    virtual void pdfExported(bool ok, const QString& error) = 0;
    // Printing that failed (not one cancelled).
    virtual void printFailed(const QString& error) = 0;
    // Printing that went to the printer.
    virtual void printed() {}
    virtual QString pdfTitle() const { return windowTitle(); }
    // A build that failed (not one cancelled); the window closes after.
    virtual void buildFailed(const QString& error) { Q_UNUSED(error); }

private:
    void buildEnded(bool ok);
    void exportEnded(const ExportResult& result);
    void showWork(bool working);

    std::unique_ptr<Report> m_report;
    ReportPreview* m_preview;
    QPushButton* m_print = nullptr;
    QPushButton* m_pdf = nullptr;
    QProgressBar* m_progress;
    QLabel* m_pages;
    QPushButton* m_cancel;
    std::unique_ptr<QThread> m_exportThread;
    std::atomic_bool m_exportCancel = false;
    Mailbox m_mail; // the export thread's progress and outcome
};

} // namespace hra::reportengine
