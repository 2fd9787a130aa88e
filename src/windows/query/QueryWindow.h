#pragma once

#include "domain/AssessmentSearch.h"
#include "windows/query/Context.h"

#include <QDialog>
#include <QPointer>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QRadioButton;
class QTableView;
class QTabWidget;

namespace hra::ui {
class FlatButton;
}

namespace hra::query {

class SearchModel;
class QueryPrompt;

// TFrm_xxcx "信息查询": searches the assessments by record number, name, sex,
// age range and dates, and acts on the selected one: its entered data or its
// report (through the prompt), the person's record, a new record number, or
// deleting the assessment.
class QueryWindow : public QDialog
{
    Q_OBJECT
public:
    explicit QueryWindow(Context& context, QWidget* parent = nullptr);

    void search();
    void clearCriteria();
    // Enter or a double click in the grid.
    void openPrompt();
    void modifyPerson();
    void renumber();
    void deleteAssessment();
    // Every row of the search shown, into an Excel book the operator names.
    void exportExcel();

    QTabWidget* pages() const { return m_pages; }
    QLineEdit* recordNumberBox() const { return m_number; }
    QLineEdit* nameBox() const { return m_name; }
    QComboBox* sexBox() const { return m_sex; }
    QLineEdit* ageFromBox() const { return m_ageFrom; }
    QLineEdit* ageToBox() const { return m_ageTo; }
    QDateEdit* dateFromBox() const { return m_dateFrom; }
    QDateEdit* dateToBox() const { return m_dateTo; }
    QCheckBox* useDatesBox() const { return m_useDates; }
    QTableView* grid() const { return m_grid; }
    SearchModel* model() const { return m_model; }
    QueryPrompt* prompt() const { return m_prompt; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildCriteria();
    QWidget* buildResults();
    void markCurrentTab();
    // The selected assessment, or null when there is none to act on.
    const domain::FoundAssessment* selected() const;
    // The same, having told the operator when there is none.
    const domain::FoundAssessment* selectedOrSay();

    Context& m_context;
    QTabWidget* m_pages;
    QLineEdit* m_number = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_sex = nullptr;
    QLineEdit* m_ageFrom = nullptr;
    QLineEdit* m_ageTo = nullptr;
    QDateEdit* m_dateFrom = nullptr;
    QDateEdit* m_dateTo = nullptr;
    QCheckBox* m_useDates = nullptr;
    QTableView* m_grid = nullptr;
    SearchModel* m_model = nullptr;
    QPointer<QueryPrompt> m_prompt;
};

// TFrm_xxcxts "信息查询提示": view the entered data or the report.
class QueryPrompt : public QDialog
{
    Q_OBJECT
public:
    enum class Choice
    {
        EnteredData,
        Report
    };

    explicit QueryPrompt(QWidget* parent = nullptr);

    Choice choice() const;
    QRadioButton* enteredDataOption() const { return m_enteredData; }
    QRadioButton* reportOption() const { return m_report; }

private:
    QRadioButton* m_enteredData;
    QRadioButton* m_report;
};

} // namespace hra::query
