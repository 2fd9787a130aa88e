#pragma once

#include "domain/Assessment.h"

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QTabWidget;
class QVBoxLayout;

namespace hra::store {
class Connection;
class StaleRowError;
} // namespace hra::store

namespace hra::domain {
struct SessionState;
} // namespace hra::domain

namespace hra::ui {
class Form;
class FlatButton;
class PromptService;
} // namespace hra::ui

namespace hra::questionnaire {

// What the questionnaire needs from the running program.
struct Context
{
    store::Connection& connection;
    domain::SessionState& session;
    ui::PromptService& prompts;
    // Hands a saved assessment to the data analysis (record number,
    // assessment number, state); empty while there is no analysis window.
    std::function<void(const QString&, qint32, const QString&)> analyse;
};

class AssessmentChooser;

// TFrm_jkpg "信息调查": finds the person by record number, starts, continues or
// reopens one assessment, and edits its five pages, which are built from the
// declared questionnaire forms and saved together in one transaction.
class QuestionnaireWindow : public QWidget
{
    Q_OBJECT
public:
    explicit QuestionnaireWindow(Context& context, QWidget* parent = nullptr);
    ~QuestionnaireWindow() override;

    // The five pages, 0 to 4 (the navigation tree's children).
    void showSection(int index);
    int currentSection() const;

    // Enter in the record-number box.
    void lookUp();
    // Opens a stored assessment as the chooser's "&F 查看记录" does (also the
    // information query's way in).
    void openAssessment(const QString& recordNumber, qint32 assessmentId, const QString& state);
    // Starts a new assessment of the person in the record-number box.
    void startNew(bool fromChooser);
    void save();
    // Whether any page holds answers that are not stored.
    bool hasChanges() const;
    void refill();
    void endAssessment();

    QLineEdit* recordNumberBox() const { return m_number; }
    QCheckBox* historyBox() const { return m_history; }
    QWidget* personPanel() const { return m_panel; }
    QLabel* stateLabel() const { return m_state; }
    ui::FlatButton* saveButton() const { return m_saveButton; }
    ui::FlatButton* endButton() const { return m_endButton; }
    QTabWidget* pages() const { return m_pages; }
    ui::Form& form(int page) const { return *m_forms.at(size_t(page)); }
    const domain::AssessmentRows& rows() const { return m_rows; }
    AssessmentChooser* chooser() const { return m_chooser; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildHead(QVBoxLayout* layout);
    void buildPages(QVBoxLayout* layout);
    void buildButtons(QVBoxLayout* layout);
    void numberEdited();
    // Shows the person in the panel; false, having said why, when there is
    // none or the database cannot be asked (lostMessage).
    bool personExists(const QString& number, const QString& lostMessage);
    // Checks and stores the answers (asking first when confirmFirst); false,
    // having told the operator why, when nothing was stored.
    bool store(bool confirmFirst);
    // Asks "数据已修改，是否保存?" when the pages hold changes: true when the
    // caller may go on (they were stored, or dropped), false when they stay.
    bool settleChanges();
    // A new assessment's save found another in progress: true when the
    // operator stores a second one; continuing the other opens it instead.
    bool askAboutOtherAssessment(qint32 otherId);
    void continueOtherAssessment(qint32 otherId);
    // A save refused because another workstation changed the assessment:
    // shows what changed and reloads, cancels, or (true) lets the save
    // overwrite.
    bool settleChangeElsewhere(const store::StaleRowError& refused);
    // The answers typed on each page since it was loaded, and the rows shown
    // again with them on top.
    std::array<QHash<QString, QVariant>, 5> typedAnswers() const;
    void showRowsWith(const std::array<QHash<QString, QVariant>, 5>& typed);
    void showChooser(bool scanForInProgress);
    void loadForms();
    void refreshReferenceLabels();
    void editReference(const QString& column);
    void updateBodyMassIndex();
    void markCurrentTab();
    void discard();

    Context& m_context;
    domain::AssessmentRows m_rows;
    QLineEdit* m_number = nullptr;
    QCheckBox* m_history = nullptr;
    QWidget* m_panel = nullptr;
    QLabel* m_name = nullptr;
    QLabel* m_sex = nullptr;
    QLabel* m_age = nullptr;
    QLabel* m_state = nullptr;
    QTabWidget* m_pages = nullptr;
    std::array<ui::Form*, 5> m_forms{};
    ui::FlatButton* m_refillButton = nullptr;
    ui::FlatButton* m_saveButton = nullptr;
    ui::FlatButton* m_endButton = nullptr;
    QPointer<AssessmentChooser> m_chooser;
    bool m_tookPending = false;
    // The pages hold answers of no assessment (typed before the record
    // number): the assessment opened next takes them over.
    bool m_answersWithoutRow = true;
};

// TFrm_ts "评估提示": the person's assessments, to start a new one or view one.
class AssessmentChooser : public QDialog
{
    Q_OBJECT
public:
    AssessmentChooser(QuestionnaireWindow& window, ui::PromptService& prompts,
                      const QList<domain::AssessmentSummary>& assessments, bool refuseNew,
                      QWidget* parent = nullptr);

    QTableWidget* grid() const { return m_grid; }
    ui::FlatButton* newButton() const { return m_new; }
    void viewSelected();

private:
    QuestionnaireWindow& m_window;
    QList<domain::AssessmentSummary> m_assessments;
    QTableWidget* m_grid;
    ui::FlatButton* m_new;
};

} // namespace hra::questionnaire
