#pragma once

#include "domain/Assessment.h"

#include <QDialog>
#include <QList>

class QTableWidget;

namespace hra::report {

// TFrm_sjfxts, "查看评估记录": the person's assessments in a read-only grid;
// "&F 分析报告", a double click or Enter chooses the current row, "&C 关闭"
// closes without a choice. Not modal; frees itself when closed.
class AssessmentListDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AssessmentListDialog(QList<domain::AssessmentSummary> assessments,
                                  QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }
    // Chooses the current row and closes; nothing without a current row.
    void choose();

signals:
    void chosen(qint32 assessmentId, const QString& state);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QList<domain::AssessmentSummary> m_assessments;
    QTableWidget* m_table;
};

} // namespace hra::report
