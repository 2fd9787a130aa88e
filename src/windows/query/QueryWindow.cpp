#include "windows/query/QueryWindow.h"

#include "domain/Audit.h"
#include "store/Connection.h"
#include "ui/BookExport.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"
#include "ui/TabIcons.h"
#include "windows/query/SearchModel.h"
#include "windows/records/RenumberDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace hra::query {
namespace {

const QString kInfoCaption = QStringLiteral("信息提示!");

ui::FlatButton* button(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new ui::FlatButton(caption, parent);
    b->setObjectName(name);
    b->setMinimumWidth(96);
    return b;
}

QLineEdit* edit(const QString& name, int maxLength, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

} // namespace

QueryWindow::QueryWindow(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_pages(new QTabWidget(this)),
      m_model(new SearchModel(this))
{
    setObjectName(QStringLiteral("TFrm_xxcx"));
    setWindowTitle(QStringLiteral("信息查询"));
    setModal(true);
    resize(640, 440);

    m_pages->setObjectName(QStringLiteral("PageControl1"));
    m_pages->addTab(buildCriteria(), QStringLiteral("查 询 条 件"));
    m_pages->addTab(buildResults(), QStringLiteral("查 询 结 果"));
    ui::followActiveTab(m_pages);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);

    auto* keys = ui::KeyNavigation::install(this);
    for (QWidget* w : {static_cast<QWidget*>(m_number), static_cast<QWidget*>(m_name),
                       static_cast<QWidget*>(m_sex->lineEdit())})
        keys->setEnterAction(w, [this] { search(); });
    // Enter in the grid asks what to open; Escape there closes the window
    // (KeyNavigation does that for every control).
    keys->setEnterAction(m_grid, [this] { openPrompt(); });
}

QWidget* QueryWindow::buildCriteria()
{
    auto* page = new QWidget;
    auto* box = new QGroupBox(page);
    auto* grid = new QGridLayout(box);
    m_number = edit(QStringLiteral("LabEdt_bianh"), 10, box);
    m_name = edit(QStringLiteral("LabEdt_xingm"), 10, box);
    m_sex = new QComboBox(box);
    m_sex->setObjectName(QStringLiteral("ComboB_xb"));
    m_sex->setEditable(true);
    m_sex->addItems({QStringLiteral("男"), QStringLiteral("女")});
    m_sex->setCurrentIndex(-1);
    m_sex->setInsertPolicy(QComboBox::NoInsert);
    m_ageFrom = edit(QStringLiteral("LabEdt_nian_q"), 2, box);
    m_ageTo = edit(QStringLiteral("LabEdt_nian_z"), 3, box);
    m_dateFrom = new QDateEdit(box);
    m_dateFrom->setObjectName(QStringLiteral("DateTimeP_q"));
    m_dateTo = new QDateEdit(box);
    m_dateTo->setObjectName(QStringLiteral("DateTimeP_z"));
    for (QDateEdit* d : {m_dateFrom, m_dateTo}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    m_useDates = new QCheckBox(QStringLiteral("选择日期"), box);
    m_useDates->setObjectName(QStringLiteral("CheckB_xzrq"));

    auto label = [box](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, box);
        l->setBuddy(buddy);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    grid->addWidget(label(QStringLiteral("编号:"), m_number), 0, 0);
    grid->addWidget(m_number, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("姓名:"), m_name), 1, 0);
    grid->addWidget(m_name, 1, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("性别:"), m_sex), 2, 0);
    grid->addWidget(m_sex, 2, 1);
    grid->addWidget(label(QStringLiteral("年龄范围:"), m_ageFrom), 3, 0);
    grid->addWidget(m_ageFrom, 3, 1);
    grid->addWidget(label(QStringLiteral("至"), m_ageTo), 3, 2);
    grid->addWidget(m_ageTo, 3, 3);
    grid->addWidget(label(QStringLiteral("评估时间:"), m_dateFrom), 4, 0);
    grid->addWidget(m_dateFrom, 4, 1);
    grid->addWidget(label(QStringLiteral("至"), m_dateTo), 4, 2);
    grid->addWidget(m_dateTo, 4, 3);
    grid->addWidget(m_useDates, 5, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* find = button(QStringLiteral("&F 查询"), QStringLiteral("Myspb_cx"), page);
    auto* clear = button(QStringLiteral("&L 清空条件"), QStringLiteral("Myspeedbutton3"), page);
    auto* close = button(QStringLiteral("&C 关闭"), QStringLiteral("Myspb_gb"), page);
    connect(find, &QPushButton::clicked, this, &QueryWindow::search);
    connect(clear, &QPushButton::clicked, this, &QueryWindow::clearCriteria);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QWidget* b : {find, clear, close})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(box);
    layout->addStretch();
    layout->addLayout(buttons);
    return page;
}

QWidget* QueryWindow::buildResults()
{
    auto* page = new QWidget;
    m_grid = new QTableView(page);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setModel(m_model);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    for (const auto& [column, width] : {std::pair{0, 100}, {1, 90}, {2, 50}, {3, 60}, {4, 150}})
        m_grid->horizontalHeader()->resizeSection(column, width);
    connect(m_grid, &QTableView::doubleClicked, this, [this] { openPrompt(); });

    auto* details = button(QStringLiteral("&B 基本信息"), QStringLiteral("Myspeedbutton4"), page);
    auto* remove = button(QStringLiteral("&D 删除信息"), QStringLiteral("Myspeedbutton5"), page);
    auto* card = button(QStringLiteral("&R 换卡"), QStringLiteral("Myspeedbutton6"), page);
    auto* excel = button(QStringLiteral("&X 导出Excel"), QStringLiteral("ExportExcel"), page);
    auto* close = button(QStringLiteral("&C 关闭"), QStringLiteral("Myspeedbutton1"), page);
    connect(excel, &QPushButton::clicked, this, &QueryWindow::exportExcel);
    connect(details, &QPushButton::clicked, this, &QueryWindow::modifyPerson);
    connect(remove, &QPushButton::clicked, this, &QueryWindow::deleteAssessment);
    connect(card, &QPushButton::clicked, this, &QueryWindow::renumber);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QWidget* b : {details, remove, card, excel, close})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(m_grid);
    layout->addLayout(buttons);
    return page;
}

void QueryWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_pages->setCurrentIndex(0);
    const QDate today = QDate::currentDate();
    m_dateFrom->setDate(today);
    m_dateTo->setDate(today);
    m_number->setFocus();
}

void QueryWindow::search()
{
    if (m_useDates->isChecked() && m_dateFrom->date() > m_dateTo->date()) {
        // Shown as searched: the earlier date first.
        const QDate later = m_dateFrom->date();
        m_dateFrom->setDate(m_dateTo->date());
        m_dateTo->setDate(later);
        m_context.prompts.information(this,
                                      QStringLiteral("开始日期晚于结束日期,已将两个日期交换!"),
                                      QStringLiteral("提示信息"));
    }
    domain::SearchCriteria criteria{m_number->text(),   m_name->text(),  m_sex->currentText(),
                                    m_ageFrom->text(),  m_ageTo->text(), m_useDates->isChecked(),
                                    m_dateFrom->date(), m_dateTo->date()};
    m_model->clear();
    const std::optional<domain::AssessmentSearch> built = domain::AssessmentSearch::build(criteria);
    if (!built) {
        m_context.prompts.error(this, domain::kInvalidAgeMessage, QStringLiteral("错误提示"));
        m_ageFrom->clear();
        m_ageTo->clear();
        m_pages->setCurrentIndex(0);
        m_ageFrom->setFocus();
        return;
    }
    try {
        m_model->search(m_context.connection.db(), *built);
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("查找不成功!")),
                                kInfoCaption);
        return;
    }
    // The criteria, never the persons found.
    domain::noteAudit(m_context.connection.db(),
                      {domain::AuditAction::Search, criteria.recordNumber.trimmed(), std::nullopt,
                       domain::describeCriteria(criteria)});
    m_pages->setCurrentIndex(1);
    if (m_model->rowCount() > 0)
        m_grid->selectRow(0);
    m_grid->setFocus();
}

void QueryWindow::clearCriteria()
{
    m_number->clear();
    m_name->clear();
    m_ageFrom->clear();
    m_ageTo->clear();
    m_sex->setCurrentIndex(-1);
    m_sex->clearEditText();
    m_useDates->setChecked(false);
    m_number->setFocus();
}

const domain::FoundAssessment* QueryWindow::selected() const
{
    if (!m_model->isOpen())
        return nullptr;
    const domain::FoundAssessment* row = m_model->row(m_grid->currentIndex().row());
    return row && !row->recordNumber.trimmed().isEmpty() ? row : nullptr;
}

const domain::FoundAssessment* QueryWindow::selectedOrSay()
{
    const domain::FoundAssessment* row = selected();
    if (!row)
        m_context.prompts.information(this, QStringLiteral("请先查询并选中一条评估记录!"),
                                      QStringLiteral("提示信息"));
    return row;
}

void QueryWindow::openPrompt()
{
    if (m_prompt)
        return;
    const domain::FoundAssessment* row = selectedOrSay();
    if (!row)
        return;
    // Copied: the hand-over closes this window and its model with it.
    const domain::FoundAssessment chosen = *row;
    QueryPrompt prompt(this);
    m_prompt = &prompt;
    const int answer = prompt.exec();
    const QueryPrompt::Choice choice = prompt.choice();
    if (answer != QDialog::Accepted)
        return;
    const Context::AssessmentHandOver& handOver = choice == QueryPrompt::Choice::EnteredData
                                                      ? m_context.openEnteredData
                                                      : m_context.openReport;
    if (handOver)
        handOver(chosen.recordNumber, chosen.id, chosen.state);
    close();
}

void QueryWindow::modifyPerson()
{
    const domain::FoundAssessment* row = selectedOrSay();
    if (!row)
        return;
    const QString number = row->recordNumber;
    if (m_context.modifyPerson)
        m_context.modifyPerson(number);
    close();
}

void QueryWindow::renumber()
{
    const domain::FoundAssessment* row = selectedOrSay();
    if (!row)
        return;
    records::RenumberDialog dialog(m_context.connection, m_context.prompts,
                                   {row->recordNumber, row->name, row->sex, row->age}, this);
    dialog.exec();
    // The grid would show the old number, and act on it.
    if (dialog.renumbered())
        search();
}

void QueryWindow::deleteAssessment()
{
    const domain::FoundAssessment* row = selectedOrSay();
    if (!row)
        return;
    // What goes is named, and Enter answers No.
    const QString question =
        QStringLiteral(
            "确实要删除该评估记录吗？\n\n编号：%1    姓名：%2\n评估号：%3    评估日期：%4")
            .arg(row->recordNumber, row->name, QString::number(row->id),
                 row->date.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    if (!m_context.prompts.confirm(this, question, QStringLiteral("提示信息"),
                                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No))
        return;
    try {
        domain::deleteAssessment(m_context.connection.db(), row->recordNumber, row->id);
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("删除不成功!")),
                                kInfoCaption);
        return;
    }
    m_context.prompts.information(this, QStringLiteral("删除成功!"), kInfoCaption);
    search();
}

void QueryWindow::exportExcel()
{
    if (!m_model->isOpen()) {
        m_context.prompts.information(this, QStringLiteral("请先查询,再导出查询结果!"),
                                      QStringLiteral("提示信息"));
        return;
    }
    // Copied: the grid may search again while the book is written.
    const domain::AssessmentSearch search = *m_model->currentSearch();
    ui::BookExport job;
    job.title = QStringLiteral("导出Excel");
    job.suggestedName =
        QStringLiteral("信息查询-%1").arg(QDate::currentDate().toString(Qt::ISODate));
    job.auditText = QStringLiteral("导出信息查询");
    job.write = [&](sheets::XlsxWriter& book, const domain::ExportProgress& progress) {
        return domain::writeSearchSheet(m_context.connection.db(), search, book, progress);
    };
    ui::exportBook(this, m_context.prompts, m_context.connection, job);
}

QueryPrompt::QueryPrompt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_enteredData(nullptr),
      m_report(nullptr)
{
    setObjectName(QStringLiteral("TFrm_xxcxts"));
    setWindowTitle(QStringLiteral("信息查询提示"));
    setModal(true);
    setAutoFillBackground(true);
    setStyleSheet(QStringLiteral("QDialog#TFrm_xxcxts { border: 1px solid #5a7a5a; }"));

    auto* group = new QGroupBox(QStringLiteral("查询内容选择"), this);
    group->setObjectName(QStringLiteral("RadioG_cxnr"));
    m_enteredData = new QRadioButton(QStringLiteral("查看录入数据信息"), group);
    m_report = new QRadioButton(QStringLiteral("查看数据分析报告"), group);
    m_enteredData->setChecked(true);
    auto* options = new QHBoxLayout(group);
    options->addWidget(m_enteredData);
    options->addWidget(m_report);

    auto* ok = button(QStringLiteral("&Q 确定"), QStringLiteral("Myspb_qd"), this);
    auto* close = button(QStringLiteral("&C 关闭"), QStringLiteral("Myspb_gb"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    ok->setDefault(true);
}

QueryPrompt::Choice QueryPrompt::choice() const
{
    return m_report->isChecked() ? Choice::Report : Choice::EnteredData;
}

} // namespace hra::query
