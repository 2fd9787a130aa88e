#include "windows/report/AssessmentListDialog.h"

#include "windows/report/ButtonRow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace hra::report {

AssessmentListDialog::AssessmentListDialog(QList<domain::AssessmentSummary> assessments,
                                           QWidget* parent)
    : QDialog(parent), m_assessments(std::move(assessments)), m_table(new QTableWidget(this))
{
    setObjectName(QStringLiteral("TFrm_sjfxts"));
    setWindowTitle(QStringLiteral("查看评估记录"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto* heading = new QLabel(QStringLiteral("评估记录："), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);

    m_table->setObjectName(QStringLiteral("DBGrid1"));
    m_table->setColumnCount(3);
    m_table->setHorizontalHeaderLabels(
        {QStringLiteral("编号"), QStringLiteral("评估日期"), QStringLiteral("状态")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setRowCount(int(m_assessments.size()));
    for (int r = 0; r < m_assessments.size(); ++r) {
        const domain::AssessmentSummary& a = m_assessments.at(r);
        m_table->setItem(r, 0, new QTableWidgetItem(a.recordNumber));
        m_table->setItem(r, 1,
                         new QTableWidgetItem(a.date.isValid() ? a.date.toString(QStringLiteral(
                                                                     "yyyy-MM-dd hh:mm:ss"))
                                                               : QString()));
        m_table->setItem(r, 2, new QTableWidgetItem(a.state));
    }
    m_table->resizeColumnsToContents();
    if (!m_assessments.isEmpty())
        m_table->selectRow(0);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { choose(); });

    QHBoxLayout* buttons = actionAndCloseRow(
        this, QStringLiteral("&F 分析报告"), "Myspb_fx", [this] { choose(); }, "Myspb_gb");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);
    setFixedSize(420, 300);
}

void AssessmentListDialog::choose()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_assessments.size())
        return;
    const domain::AssessmentSummary chosenRow = m_assessments.at(row);
    emit chosen(chosenRow.id, chosenRow.state);
    close();
}

void AssessmentListDialog::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_table->hasFocus()) {
        choose();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace hra::report
