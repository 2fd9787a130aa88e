#pragma once

#include "windows/report/Context.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace hra::analysis {
class AnalysisSession;
}
namespace hra::reportengine {
class Report;
class ReportPreview;
} // namespace hra::reportengine

namespace hra::report {

class AssessmentListDialog;

// TFrm_sjfx, "数据分析": the operator chooses a record and one of its
// assessments; the sections chosen in the navigation tree are built into the
// preview here, printed and exported as PDF.
class AnalysisWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AnalysisWindow(Context& context, QWidget* parent = nullptr);
    ~AnalysisWindow() override;

    QString recordNumber() const;
    qint32 selectedAssessment() const { return m_selectedId; }
    QString stateText() const;
    void clearPreview();

    // The hand-over from the questionnaire and the information query: takes
    // this assessment of the record as if chosen here (the record-number box
    // is filled without its change behaviour), switches the navigation tree
    // on, opens the assessment and shows the person. False, with the reason
    // told, when the assessment cannot be opened.
    bool analyseAssessment(const QString& recordNumber, qint32 assessmentId,
                           const QString& stateText);

    enum class BuildStart
    {
        Started,
        Busy, // the previous section is still being built
    };
    // Builds a section into the preview on a build thread (its evaluations
    // run and its datasets read here first). Throws store::DatabaseError
    // when the section's evaluations or datasets cannot be read.
    BuildStart buildSection(const QString& sectionName);
    // A section chosen by the operator: built at once, or the operator is told
    // why not (no record or assessment chosen, a build under way, a failure).
    void chooseSection(const QString& sectionName);

    reportengine::Report& report() const { return *m_report; }
    reportengine::ReportPreview* preview() const { return m_preview; }
    // The open assessment list, or null.
    AssessmentListDialog* listDialog() const;

    // Prints the previewed pages; nothing when the preview is empty.
    void print();
    // Asks for a file (named after record, person and date) and writes the
    // previewed pages to it; nothing when the preview is empty.
    void exportPdf();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void lookup();
    void recordChanged();
    void historyToggled(bool ticked);
    void showPerson();
    void showList(const QString& recordNumber);
    // Opens the report input for the chosen record and assessment (the
    // blood-pressure grade and disease indices run). False when it cannot.
    bool openReportDatasets();
    void chosenFromList(qint32 assessmentId, const QString& state);
    void progressed(int done, int total);
    void buildFinished(bool ok);
    void setNavigation(bool enabled);
    analysis::AnalysisSession& session();
    QString reportsDirectory() const;
    // Record number, name and assessment date of what is being built.
    QString builtPdfName() const;

    Context& m_context;
    std::unique_ptr<analysis::AnalysisSession> m_session;
    // The section last built, which a print or an export is of (for the log).
    QString m_builtSection;
    std::unique_ptr<reportengine::Report> m_report;
    qint32 m_selectedId = 0;
    // The file name offered for the pages built last.
    QString m_pdfName;
    bool m_maximised = false;

    QLineEdit* m_record;
    QCheckBox* m_history;
    QFrame* m_personPanel;
    QLabel* m_name;
    QLabel* m_sex;
    QLabel* m_age;
    QLabel* m_state;
    reportengine::ReportPreview* m_preview;
    QPushButton* m_print;
    QPushButton* m_pdf;
    QPushButton* m_close;
    QPushButton* m_batch; // the reports of a whole work unit
    QProgressBar* m_progress;
    QPushButton* m_cancel; // stops the build under way
    QPointer<AssessmentListDialog> m_list;
};

} // namespace hra::report
