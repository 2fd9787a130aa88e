#include "windows/records/GroupImportWindow.h"

#include "domain/GroupImport.h"
#include "sheets/SheetReader.h"
#include "store/Connection.h"

#include <QAtomicInteger>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <memory>

namespace hra::records {
namespace {

// Rows shown before the import.
constexpr int kPreviewRows = 20;

QString uniqueConnectionName()
{
    static QAtomicInteger<quint64> next;
    return QStringLiteral("hra-group-import-%1").arg(next.fetchAndAddRelaxed(1));
}

QTableWidget* table(const QString& name, QWidget* parent)
{
    auto* t = new QTableWidget(parent);
    t->setObjectName(name);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    return t;
}

void setRow(QTableWidget* t, int row, const QStringList& texts)
{
    for (int c = 0; c < texts.size(); ++c)
        t->setItem(row, c, new QTableWidgetItem(texts.at(c)));
}

} // namespace

struct GroupImportWindow::Outcome
{
    std::vector<domain::GroupImportedRow> rows;
    QStringList problems;
    bool cancelled = false;
    QString failure;
};

GroupImportWindow::GroupImportWindow(Context& context, QWidget* parent)
    : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("TFrm_pldr"));
    setWindowTitle(QStringLiteral("批量导入"));
    auto* layout = new QVBoxLayout(this);

    auto* source = new QHBoxLayout;
    source->addWidget(new QLabel(QStringLiteral("文件:"), this));
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("Edt_file"));
    m_file->setReadOnly(true);
    source->addWidget(m_file, 1);
    m_choose = new QPushButton(QStringLiteral("选择文件..."), this);
    m_choose->setObjectName(QStringLiteral("Btn_choose"));
    source->addWidget(m_choose);
    source->addWidget(new QLabel(QStringLiteral("编码:"), this));
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName(QStringLiteral("Cmb_encoding"));
    m_encoding->addItem(QStringLiteral("自动识别"), QString());
    m_encoding->addItem(QStringLiteral("UTF-8"), QStringLiteral("UTF-8"));
    m_encoding->addItem(QStringLiteral("GB18030"), QStringLiteral("GB18030"));
    source->addWidget(m_encoding);
    source->addWidget(new QLabel(QStringLiteral("工作表:"), this));
    m_sheet = new QLineEdit(this);
    m_sheet->setObjectName(QStringLiteral("Edt_sheet"));
    m_sheet->setPlaceholderText(QStringLiteral("第一个"));
    m_sheet->setMaximumWidth(120);
    source->addWidget(m_sheet);
    layout->addLayout(source);

    auto* split = new QSplitter(Qt::Vertical, this);
    auto* top = new QSplitter(Qt::Horizontal, split);
    m_headers = table(QStringLiteral("Grid_headers"), top);
    m_headers->setColumnCount(3);
    m_headers->setHorizontalHeaderLabels(
        {QStringLiteral("表头"), QStringLiteral("对应项目"), QStringLiteral("说明")});
    m_headers->horizontalHeader()->setStretchLastSection(true);
    m_preview = table(QStringLiteral("Grid_preview"), top);
    top->setStretchFactor(0, 2);
    top->setStretchFactor(1, 3);
    m_report = new QPlainTextEdit(split);
    m_report->setObjectName(QStringLiteral("Memo_report"));
    m_report->setReadOnly(true);
    m_result = table(QStringLiteral("Grid_result"), split);
    m_result->setColumnCount(5);
    m_result->setHorizontalHeaderLabels({QStringLiteral("行"), QStringLiteral("编号"),
                                         QStringLiteral("姓名"), QStringLiteral("评估号"),
                                         QStringLiteral("新档案")});
    m_result->horizontalHeader()->setStretchLastSection(true);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setStretchFactor(2, 2);
    layout->addWidget(split, 1);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progress);

    auto* buttons = new QHBoxLayout;
    m_dryRun = new QPushButton(QStringLiteral("试运行"), this);
    m_dryRun->setObjectName(QStringLiteral("Btn_dryRun"));
    m_import = new QPushButton(QStringLiteral("导入"), this);
    m_import->setObjectName(QStringLiteral("Btn_import"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("Btn_cancel"));
    m_reports = new QPushButton(QStringLiteral("生成批量报告"), this);
    m_reports->setObjectName(QStringLiteral("Btn_reports"));
    buttons->addStretch();
    for (QPushButton* b : {m_dryRun, m_import, m_cancel, m_reports})
        buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(m_choose, &QPushButton::clicked, this, &GroupImportWindow::choose);
    connect(m_encoding, &QComboBox::currentIndexChanged, this, &GroupImportWindow::preview);
    connect(m_sheet, &QLineEdit::editingFinished, this, &GroupImportWindow::preview);
    connect(m_dryRun, &QPushButton::clicked, this, [this] { run(true); });
    connect(m_import, &QPushButton::clicked, this, [this] { run(false); });
    connect(m_cancel, &QPushButton::clicked, this, &GroupImportWindow::cancel);
    connect(m_reports, &QPushButton::clicked, this,
            [this] { emit reportsRequested(m_assessments); });
    setBusy(false);
    resize(1000, 640);
}

GroupImportWindow::~GroupImportWindow()
{
    // An import left running would store behind a closed window.
    if (m_worker) {
        m_stop = true;
        m_worker->wait();
    }
}

void GroupImportWindow::choose()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("选择要导入的文件"), QString(),
                                     QStringLiteral("表格文件 (*.csv *.txt *.xlsx);;所有文件 (*)"));
    if (!path.isEmpty())
        openFile(path);
}

void GroupImportWindow::openFile(const QString& path)
{
    m_file->setText(path);
    preview();
}

void GroupImportWindow::preview()
{
    m_headers->setRowCount(0);
    m_preview->clear();
    m_preview->setRowCount(0);
    m_preview->setColumnCount(0);
    m_report->clear();
    m_headerUsable = false;
    if (m_file->text().isEmpty() || m_worker) {
        setBusy(m_worker != nullptr);
        return;
    }
    try {
        const auto rows =
            sheets::openSheet(m_file->text(), {.encoding = m_encoding->currentData().toString(),
                                               .sheet = m_sheet->text().trimmed()});
        sheets::Row header;
        if (!rows->next(header)) {
            m_report->setPlainText(QStringLiteral("文件中没有表头"));
            setBusy(false);
            return;
        }
        const std::vector<domain::GroupHeaderMeaning> meanings =
            domain::understandGroupHeader(header.cells);
        m_headerUsable = true;
        m_headers->setRowCount(int(meanings.size()));
        for (int i = 0; i < int(meanings.size()); ++i) {
            const domain::GroupHeaderMeaning& m = meanings[size_t(i)];
            const QString column = m.column
                                       ? QStringLiteral("%1 (%2.%3)")
                                             .arg(m.fieldCaption, m.column->table, m.column->column)
                                       : QString();
            setRow(m_headers, i, {header.cells.at(i), column, m.refusal});
            m_headerUsable = m_headerUsable && m.refusal.isEmpty();
        }
        m_headers->resizeColumnsToContents();
        m_preview->setColumnCount(int(header.cells.size()));
        m_preview->setHorizontalHeaderLabels(header.cells);
        sheets::Row row;
        while (m_preview->rowCount() < kPreviewRows && rows->next(row)) {
            const int r = m_preview->rowCount();
            m_preview->insertRow(r);
            setRow(m_preview, r, row.cells.mid(0, header.cells.size()));
        }
        m_preview->resizeColumnsToContents();
        if (!m_headerUsable)
            m_report->setPlainText(QStringLiteral("有表头无法识别，请改正后再导入"));
    } catch (const sheets::SheetError& e) {
        m_report->setPlainText(e.message());
    }
    setBusy(false);
}

void GroupImportWindow::run(bool dryRun)
{
    if (m_worker || !m_headerUsable)
        return;
    m_stop = false;
    m_assessments.clear();
    m_result->setRowCount(0);
    m_progress->setValue(0);
    m_report->setPlainText(dryRun ? QStringLiteral("正在试运行，请稍候……")
                                  : QStringLiteral("正在导入，请稍候……"));
    setBusy(true);
    const store::ConnectionSettings settings = m_context.connection.settings();
    const QString path = m_file->text();
    const sheets::ReadOptions read{.encoding = m_encoding->currentData().toString(),
                                   .sheet = m_sheet->text().trimmed()};
    auto outcome = std::make_shared<Outcome>();
    std::atomic<bool>* stop = &m_stop;
    QProgressBar* bar = m_progress;
    m_worker = QThread::create([settings, path, read, dryRun, outcome, stop, bar] {
        QString error;
        const auto connection = store::Connection::open(settings, &error, uniqueConnectionName(),
                                                        store::Connection::Missing::Refuse);
        if (!connection) {
            outcome->failure = error;
            return;
        }
        int shown = -1;
        domain::GroupImportOptions options{.dryRun = dryRun};
        options.progress = [&shown, stop, bar](int done, int total) {
            const int percent = total > 0 ? done * 100 / total : 100;
            if (percent != shown) {
                shown = percent;
                QMetaObject::invokeMethod(
                    bar, [bar, percent] { bar->setValue(percent); }, Qt::QueuedConnection);
            }
            return !stop->load();
        };
        try {
            domain::ReopenedGroupRows rows(
                [path, read] { return domain::sheetGroupRows(path, read); });
            outcome->rows = domain::importGroup(connection->db(), connection->serverNow(),
                                                rows.header(), rows, options);
        } catch (const domain::GroupImportError& e) {
            outcome->problems = domain::problemLines(e);
        } catch (const domain::GroupImportCancelled&) {
            outcome->cancelled = true;
        } catch (const sheets::SheetError& e) {
            outcome->failure = e.message();
        } catch (const store::DatabaseError& e) {
            outcome->failure = e.message();
        }
    });
    connect(m_worker, &QThread::finished, this, [this, dryRun, outcome] {
        m_worker->deleteLater();
        m_worker = nullptr;
        showOutcome(dryRun, *outcome);
        setBusy(false);
        emit runFinished();
    });
    m_worker->start();
}

void GroupImportWindow::cancel()
{
    if (m_worker) {
        m_stop = true;
        m_cancel->setEnabled(false);
    }
}

void GroupImportWindow::showOutcome(bool dryRun, const Outcome& outcome)
{
    const QString nothingStored = domain::nothingStoredText();
    if (outcome.cancelled) {
        m_progress->setValue(0);
        m_report->setPlainText(QStringLiteral("已取消。") + nothingStored);
        return;
    }
    if (!outcome.failure.isEmpty()) {
        m_progress->setValue(0);
        m_report->setPlainText(outcome.failure + u'\n' + nothingStored);
        return;
    }
    if (!outcome.problems.isEmpty()) {
        m_progress->setValue(0);
        m_report->setPlainText((outcome.problems + QStringList{nothingStored}).join(u'\n'));
        return;
    }
    m_progress->setValue(100);
    const domain::GroupImportSummary summary = domain::summarise(outcome.rows);
    QStringList lines{
        dryRun ? QStringLiteral("试运行完成，未保存任何数据：%1行可以导入，其中新档案%2人。")
                     .arg(summary.rows)
                     .arg(summary.newPersons)
               : QStringLiteral("导入完成：%1行，新建档案%2人。")
                     .arg(summary.rows)
                     .arg(summary.newPersons)};
    if (summary.furtherAssessments > 0)
        lines << (dryRun ? QStringLiteral("%1人已有评估,本次将为其增加新的评估")
                               .arg(summary.furtherAssessments)
                         : summary.furtherAssessmentsText());
    m_report->setPlainText(lines.join(u'\n'));
    m_result->setRowCount(int(outcome.rows.size()));
    for (int i = 0; i < int(outcome.rows.size()); ++i) {
        const domain::GroupImportedRow& r = outcome.rows[size_t(i)];
        setRow(m_result, i,
               {QString::number(r.row), r.record, r.name,
                r.assessment ? QString::number(*r.assessment) : QStringLiteral("-"),
                r.newPerson ? QStringLiteral("是") : QStringLiteral("否")});
        if (r.assessment)
            m_assessments << *r.assessment;
    }
    m_result->resizeColumnsToContents();
}

void GroupImportWindow::setBusy(bool busy)
{
    m_choose->setEnabled(!busy);
    m_encoding->setEnabled(!busy);
    m_sheet->setEnabled(!busy);
    m_dryRun->setEnabled(!busy && m_headerUsable);
    m_import->setEnabled(!busy && m_headerUsable);
    m_cancel->setEnabled(busy);
    m_reports->setEnabled(!busy && !m_assessments.isEmpty());
}

} // namespace hra::records
