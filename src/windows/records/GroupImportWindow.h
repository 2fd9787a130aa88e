#pragma once

#include "windows/records/Context.h"

#include <QList>
#include <QWidget>
#include <atomic>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QThread;

namespace hra::records {

// 批量导入: a group's spreadsheet chosen, its first rows shown with what each
// header was understood as, then a dry run or the import itself off the GUI
// thread on a connection of its own (取消 stops it, nothing stored), and the
// new assessments listed. The domain's group import does the work, as for
// hra-cli person import.
class GroupImportWindow : public QWidget
{
    Q_OBJECT
public:
    explicit GroupImportWindow(Context& context, QWidget* parent = nullptr);
    ~GroupImportWindow() override;

    // Shows the file as if chosen in the file dialog.
    void openFile(const QString& path);
    // Whether a dry run or an import is running.
    bool busy() const { return m_worker != nullptr; }

signals:
    // 生成批量报告: the assessments the import stored, for the batch report.
    void reportsRequested(QList<qint64> assessmentIds);
    // A dry run or import ended (stored, refused, stopped or failed).
    void runFinished();

private:
    struct Outcome;
    void choose();
    void preview();
    void run(bool dryRun);
    void cancel();
    void showOutcome(bool dryRun, const Outcome& outcome);
    void setBusy(bool busy);

    Context& m_context;
    QLineEdit* m_file;
    QComboBox* m_encoding;
    QLineEdit* m_sheet;
    QTableWidget* m_headers;
    QTableWidget* m_preview;
    QPlainTextEdit* m_report;
    QTableWidget* m_result;
    QProgressBar* m_progress;
    QPushButton* m_choose;
    QPushButton* m_dryRun;
    QPushButton* m_import;
    QPushButton* m_cancel;
    QPushButton* m_reports;
    QThread* m_worker = nullptr;
    std::atomic<bool> m_stop{false};
    bool m_headerUsable = false;
    QList<qint64> m_assessments;
};

} // namespace hra::records
