#pragma once

#include "domain/Audit.h"

#include <QDialog>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace hra::app {

struct AppContext;

// "操作日志": the manager reads the operation log, filtered by dates,
// operator, record number and action, a page at a time (each page read
// through an index however long the log), and exports what matches as CSV.
class AuditLogWindow : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kPageSize = 100;

    explicit AuditLogWindow(AppContext& context, QWidget* parent = nullptr);

    // Reads the first page of what the filters say; false (with a message)
    // when they say nothing sensible.
    bool search();
    void nextPage();
    void previousPage();
    void exportCsv();

    QTableWidget* grid() const { return m_grid; }
    QLineEdit* recordBox() const { return m_record; }
    QLineEdit* operatorBox() const { return m_operator; }
    QComboBox* actionBox() const { return m_action; }
    QCheckBox* datesBox() const { return m_useDates; }
    QDateEdit* fromBox() const { return m_from; }
    QDateEdit* toBox() const { return m_to; }
    QPushButton* nextButton() const { return m_next; }
    QPushButton* previousButton() const { return m_previous; }

private:
    std::optional<domain::AuditFilter> filterFromBoxes();
    void showPage(std::optional<qint64> before);

    AppContext& m_context;
    QCheckBox* m_useDates;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QLineEdit* m_operator;
    QLineEdit* m_record;
    QComboBox* m_action;
    QTableWidget* m_grid;
    QLabel* m_pageLabel;
    QPushButton* m_previous;
    QPushButton* m_next;
    domain::AuditFilter m_filter;
    // Where each page shown so far began (nullopt: at the newest entry), so
    // that 上一页 goes back exactly.
    std::vector<std::optional<qint64>> m_pageStarts;
    std::optional<qint64> m_lastId;
    bool m_full = false;
};

} // namespace hra::app
