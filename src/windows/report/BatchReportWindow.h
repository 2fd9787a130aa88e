#pragma once

#include "report/BatchReports.h"
#include "windows/report/Context.h"

#include <QDialog>
#include <QList>
#include <atomic>
#include <memory>
#include <thread>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPrinter;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTemporaryDir;

namespace hra::report {

// TFrm_plbg, "批量报告": the whole report of every person of a work unit
// (the latest assessment, optionally entered between two days), exported as
// one PDF each or printed, built on every core with a progress bar and
// "取消"; the reports that failed are listed at the end.
class BatchReportWindow : public QDialog
{
    Q_OBJECT
public:
    explicit BatchReportWindow(Context& context, QWidget* parent = nullptr);
    ~BatchReportWindow() override;

    // These assessments instead of a unit and dates (a group just imported).
    void setAssessments(const QList<qint64>& ids);
    const QList<BatchItem>& items() const { return m_items; }
    bool isRunning() const { return m_thread != nullptr; }

    // 导出全部: asks for a folder and writes a PDF per report there.
    void exportAll();
    // Exports into `folder` without asking.
    void exportTo(const QString& folder);
    // 打印全部 through the print dialog.
    void printAll();
    // Prints every report, in record order, on a printer set up already: one
    // PDF of them all for a printer set to a file, else the system's print
    // service.
    void printTo(QPrinter& printer);
    void cancel();

signals:
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void loadUnits();
    void reload();
    void showItems();
    bool start(const QString& folder, const QString& combined);
    void progressed(int done, int total);
    void ended();
    void setRunning(bool running);

    Context& m_context;
    QList<BatchItem> m_items;
    bool m_explicit = false;

    QComboBox* m_unit = nullptr;
    QCheckBox* m_useDates = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QTableWidget* m_list = nullptr;
    QLabel* m_count = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_close = nullptr;
    QLabel* m_failedCaption = nullptr;
    QTableWidget* m_failed = nullptr;

    std::unique_ptr<std::thread> m_thread;
    std::atomic_bool m_cancelRequested{false};
    BatchResult m_result;
    // Printing: the reports are written here first, then sent on.
    std::unique_ptr<QTemporaryDir> m_printFolder;
    QString m_printFile;   // the printer writes to this file
    QString m_printerName; // else to this printer
};

} // namespace hra::report
