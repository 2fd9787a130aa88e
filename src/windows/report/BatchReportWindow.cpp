#include "windows/report/BatchReportWindow.h"

#include "store/Connection.h"
#include "store/PrivateFiles.h"
#include "store/Sql.h"
#include "ui/PromptService.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLoggingCategory>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace hra::report {

namespace {

const QString kInfoCaption = QStringLiteral("提示信息");
const QString kErrorCaption = QStringLiteral("出错提示");

QTableWidget* table(const QString& name, const QStringList& headers, QWidget* parent)
{
    auto* t = new QTableWidget(0, int(headers.size()), parent);
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(headers);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void setRow(QTableWidget* t, int row, const QStringList& cells)
{
    for (int c = 0; c < cells.size(); ++c)
        t->setItem(row, c, new QTableWidgetItem(cells.at(c)));
}

} // namespace

BatchReportWindow::BatchReportWindow(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("TFrm_plbg"));
    setWindowTitle(QStringLiteral("批量报告"));
    resize(720, 560);

    m_unit = new QComboBox(this);
    m_unit->setObjectName(QStringLiteral("Cmb_gzdw"));
    m_useDates = new QCheckBox(QStringLiteral("录入日期"), this);
    m_useDates->setObjectName(QStringLiteral("Chk_lrrq"));
    const QDate today = QDate::currentDate();
    m_from = new QDateEdit(today.addMonths(-1), this);
    m_from->setObjectName(QStringLiteral("Dte_ks"));
    m_to = new QDateEdit(today, this);
    m_to->setObjectName(QStringLiteral("Dte_js"));
    for (QDateEdit* d : {m_from, m_to}) {
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        d->setCalendarPopup(true);
        d->setEnabled(false);
    }

    auto* choice = new QGridLayout;
    auto* unitLabel = new QLabel(QStringLiteral("工作单位"), this);
    unitLabel->setBuddy(m_unit);
    choice->addWidget(unitLabel, 0, 0);
    choice->addWidget(m_unit, 0, 1, 1, 3);
    choice->addWidget(m_useDates, 1, 0);
    choice->addWidget(m_from, 1, 1);
    choice->addWidget(new QLabel(QStringLiteral("至"), this), 1, 2);
    choice->addWidget(m_to, 1, 3);

    m_list = table(QStringLiteral("Grd_pg"),
                   {QStringLiteral("档案编号"), QStringLiteral("姓名"), QStringLiteral("评估编号"),
                    QStringLiteral("录入日期")},
                   this);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("Lbl_rs"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Pgb_jd"));
    m_progress->setValue(0);

    m_export = new QPushButton(QStringLiteral("导出全部"), this);
    m_export->setObjectName(QStringLiteral("Btn_dcqb"));
    m_print = new QPushButton(QStringLiteral("打印全部"), this);
    m_print->setObjectName(QStringLiteral("Btn_dyqb"));
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    m_cancel->setObjectName(QStringLiteral("Btn_qx"));
    m_cancel->setEnabled(false);
    m_close = new QPushButton(QStringLiteral("关闭"), this);
    m_close->setObjectName(QStringLiteral("Btn_gb"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {m_export, m_print, m_cancel, m_close})
        buttons->addWidget(b);

    m_failedCaption = new QLabel(QStringLiteral("未能生成的报告"), this);
    m_failed = table(
        QStringLiteral("Grd_sb"),
        {QStringLiteral("档案编号"), QStringLiteral("评估编号"), QStringLiteral("原因")}, this);
    m_failedCaption->hide();
    m_failed->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_count);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);
    layout->addWidget(m_failedCaption);
    layout->addWidget(m_failed);

    loadUnits();
    connect(m_unit, &QComboBox::currentTextChanged, this, [this] { reload(); });
    connect(m_useDates, &QCheckBox::toggled, this, [this](bool on) {
        m_from->setEnabled(on);
        m_to->setEnabled(on);
        reload();
    });
    connect(m_from, &QDateEdit::dateChanged, this, [this] { reload(); });
    connect(m_to, &QDateEdit::dateChanged, this, [this] { reload(); });
    connect(m_export, &QPushButton::clicked, this, [this] { exportAll(); });
    connect(m_print, &QPushButton::clicked, this, [this] { printAll(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancel(); });
    connect(m_close, &QPushButton::clicked, this, [this] { close(); });
    reload();
}

BatchReportWindow::~BatchReportWindow()
{
    m_cancelRequested = true;
    if (m_thread)
        m_thread->join();
}

void BatchReportWindow::loadUnits()
{
    try {
        const QSignalBlocker quiet(m_unit);
        m_unit->clear();
        m_unit->addItems(workUnits(m_context.connection.db()));
    } catch (const store::DatabaseError& e) {
        m_context.prompts.error(this, QStringLiteral("读取工作单位失败：%1").arg(e.message()),
                                kErrorCaption);
    }
}

void BatchReportWindow::reload()
{
    if (m_explicit || isRunning())
        return;
    BatchSelection selection{m_unit->currentText(), {}, {}};
    if (m_useDates->isChecked()) {
        selection.from = m_from->date();
        selection.to = m_to->date();
    }
    try {
        m_items = selection.unit.trimmed().isEmpty()
                      ? QList<BatchItem>()
                      : batchItems(m_context.connection.db(), selection);
    } catch (const store::DatabaseError& e) {
        m_items.clear();
        m_context.prompts.error(this, QStringLiteral("读取评估失败：%1").arg(e.message()),
                                kErrorCaption);
    }
    showItems();
}

void BatchReportWindow::setAssessments(const QList<qint64>& ids)
{
    if (isRunning())
        return;
    m_explicit = true;
    m_unit->setEnabled(false);
    m_useDates->setEnabled(false);
    m_from->setEnabled(false);
    m_to->setEnabled(false);
    try {
        m_items = batchItemsOf(m_context.connection.db(), ids);
    } catch (const store::DatabaseError& e) {
        m_items.clear();
        m_context.prompts.error(this, QStringLiteral("读取评估失败：%1").arg(e.message()),
                                kErrorCaption);
    }
    showItems();
}

void BatchReportWindow::showItems()
{
    m_list->setRowCount(int(m_items.size()));
    for (int i = 0; i < m_items.size(); ++i) {
        const BatchItem& item = m_items.at(i);
        setRow(m_list, i,
               {item.record, item.name, QString::number(item.assessment),
                item.entered.isValid() ? item.entered.toString(QStringLiteral("yyyy-MM-dd"))
                                       : QString()});
    }
    m_count->setText(QStringLiteral("共 %1 份报告").arg(m_items.size()));
    m_progress->setRange(0, std::max(1, int(m_items.size())));
    m_progress->setValue(0);
}

void BatchReportWindow::exportAll()
{
    if (isRunning())
        return;
    if (m_items.isEmpty()) {
        m_context.prompts.information(this, QStringLiteral("没有可生成报告的评估!"), kInfoCaption);
        return;
    }
    const QString folder =
        m_context.prompts.folderName(this, QStringLiteral("选择导出的文件夹"), QDir::homePath());
    if (!folder.isEmpty())
        exportTo(folder);
}

void BatchReportWindow::exportTo(const QString& folder)
{
    m_printFolder.reset();
    m_printFile.clear();
    m_printerName.clear();
    start(folder, {});
}

void BatchReportWindow::printAll()
{
    if (isRunning())
        return;
    if (m_items.isEmpty()) {
        m_context.prompts.information(this, QStringLiteral("没有可生成报告的评估!"), kInfoCaption);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() == QDialog::Accepted)
        printTo(printer);
}

void BatchReportWindow::printTo(QPrinter& printer)
{
    if (isRunning() || m_items.isEmpty())
        return;
    m_printFile = printer.outputFileName();
    m_printerName = printer.printerName();
    if (m_printFile.isEmpty() && QStandardPaths::findExecutable(QStringLiteral("lp")).isEmpty()) {
        m_context.prompts.error(
            this, QStringLiteral("找不到系统的打印服务(lp)，请先导出全部报告再打印。"),
            kErrorCaption);
        return;
    }
    // The reports and the one PDF of them all are written to a private
    // folder of ours, removed once they are printed.
    m_printFolder = std::make_unique<QTemporaryDir>();
    if (!m_printFolder->isValid()) {
        m_context.prompts.error(this, QStringLiteral("无法创建临时文件夹!"), kErrorCaption);
        m_printFolder.reset();
        return;
    }
    start(m_printFolder->filePath(QStringLiteral("reports")),
          m_printFile.isEmpty() ? m_printFolder->filePath(QStringLiteral("all.pdf")) : m_printFile);
}

bool BatchReportWindow::start(const QString& folder, const QString& combined)
{
    BatchOptions options;
    options.settings = m_context.connection.settings();
    options.section = findSection(kWholeReport);
    options.reportsDirectory = m_context.reportsDirectory;
    options.outDir = folder;
    options.combinedPath = combined;
    options.protectedFiles = store::databaseFiles(options.settings);
    options.cancel = &m_cancelRequested;
    options.progress = [this](int done, int total) {
        QMetaObject::invokeMethod(
            this, [this, done, total] { progressed(done, total); }, Qt::QueuedConnection);
    };
    m_cancelRequested = false;
    m_failed->setRowCount(0);
    m_failed->hide();
    m_failedCaption->hide();
    m_progress->setRange(0, int(m_items.size()));
    m_progress->setValue(0);
    setRunning(true);
    m_thread = std::make_unique<std::thread>([this, items = m_items, options] {
        m_result = buildBatch(items, options);
        QMetaObject::invokeMethod(
            this, [this] { ended(); }, Qt::QueuedConnection);
    });
    return true;
}

void BatchReportWindow::progressed(int done, int total)
{
    m_progress->setRange(0, total);
    m_progress->setValue(done);
}

void BatchReportWindow::cancel()
{
    m_cancelRequested = true;
}

void BatchReportWindow::setRunning(bool running)
{
    m_export->setEnabled(!running);
    m_print->setEnabled(!running);
    m_close->setEnabled(!running);
    m_cancel->setEnabled(running);
    m_unit->setEnabled(!running && !m_explicit);
    m_useDates->setEnabled(!running && !m_explicit);
    m_from->setEnabled(!running && !m_explicit && m_useDates->isChecked());
    m_to->setEnabled(!running && !m_explicit && m_useDates->isChecked());
}

void BatchReportWindow::ended()
{
    if (!m_thread)
        return;
    m_thread->join();
    m_thread.reset();
    setRunning(false);
    const BatchResult result = std::move(m_result);
    m_result = {};

    m_failed->setRowCount(int(result.failed.size()));
    for (int i = 0; i < result.failed.size(); ++i) {
        const BatchFailure& f = result.failed.at(i);
        setRow(m_failed, i, {f.record, QString::number(f.assessment), f.reason});
    }
    m_failed->setVisible(!result.failed.isEmpty());
    m_failedCaption->setVisible(!result.failed.isEmpty());

    const bool printing = m_printFolder != nullptr;
    QString text;
    if (result.cancelled) {
        text = printing
                   ? QStringLiteral("已取消打印。")
                   : QStringLiteral("已取消，已生成的 %1 份报告保留。").arg(result.files.size());
    } else if (printing && result.combined.isEmpty()) {
        text = QStringLiteral("打印失败：%1").arg(result.combinedError);
    } else if (printing && m_printFile.isEmpty()) {
        // A printer without a name is the system's default one: lp takes it
        // when no destination is given.
        QStringList arguments;
        if (!m_printerName.isEmpty())
            arguments << QStringLiteral("-d") << m_printerName;
        arguments << QStringLiteral("--") << result.combined;
        QProcess lp;
        lp.start(QStandardPaths::findExecutable(QStringLiteral("lp")), arguments);
        const bool sent = lp.waitForFinished(60000) && lp.exitStatus() == QProcess::NormalExit &&
                          lp.exitCode() == 0;
        text = sent ? QStringLiteral("已送往打印机 %1 份报告。").arg(result.files.size())
                    : QStringLiteral("打印失败：%1")
                          .arg(QString::fromLocal8Bit(lp.readAllStandardError()).trimmed());
    } else if (printing) {
        text =
            QStringLiteral("已打印 %1 份报告到文件 %2。").arg(result.files.size()).arg(m_printFile);
    } else {
        text = QStringLiteral("已生成 %1 份报告。").arg(result.files.size());
    }
    if (!result.failed.isEmpty())
        text += QStringLiteral("\n%1 份报告未能生成，见列表。").arg(result.failed.size());
    m_printFolder.reset();
    m_context.prompts.information(this, text, kInfoCaption);
    emit finished();
}

void BatchReportWindow::closeEvent(QCloseEvent* event)
{
    if (isRunning()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void BatchReportWindow::reject()
{
    // Escape cancels a batch under way first; the window stays until it ends.
    if (isRunning()) {
        cancel();
        return;
    }
    QDialog::reject();
}

} // namespace hra::report
