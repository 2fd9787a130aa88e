#include "windows/shell/AuditLogWindow.h"

#include "store/PrivateFiles.h"
#include "store/Settings.h"
#include "store/Sql.h"
#include "ui/Log.h"
#include "ui/PromptService.h"
#include "windows/shell/AppContext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTableWidget>
#include <QVBoxLayout>

namespace hra::app {
namespace {

const QString kCaption = QStringLiteral("操作日志");

QPushButton* button(const QString& text, const char* name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

AuditLogWindow::AuditLogWindow(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("Tfrm_czrz"));
    setWindowTitle(kCaption);
    resize(1000, 600);

    const QDate today = QDate::currentDate();
    m_useDates = new QCheckBox(QStringLiteral("日期从"), this);
    m_useDates->setObjectName(QStringLiteral("Chk_rq"));
    m_from = new QDateEdit(today.addDays(-30), this);
    m_to = new QDateEdit(today, this);
    for (QDateEdit* box : {m_from, m_to}) {
        box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        box->setCalendarPopup(true);
        box->setEnabled(false);
    }
    connect(m_useDates, &QCheckBox::toggled, m_from, &QWidget::setEnabled);
    connect(m_useDates, &QCheckBox::toggled, m_to, &QWidget::setEnabled);
    m_operator = new QLineEdit(this);
    m_operator->setObjectName(QStringLiteral("Edt_yhdm"));
    m_record = new QLineEdit(this);
    m_record->setObjectName(QStringLiteral("Edt_bh"));
    m_record->setMaxLength(10);
    m_action = new QComboBox(this);
    m_action->setObjectName(QStringLiteral("Cmb_dz"));
    m_action->addItem(QStringLiteral("全部"));
    for (const domain::AuditAction a : domain::auditActions())
        m_action->addItem(domain::auditCaption(a), domain::auditCode(a));

    auto* find = button(QStringLiteral("&F 查询"), "Btn_cx", this);
    find->setDefault(true);
    connect(find, &QPushButton::clicked, this, [this] { search(); });

    auto* filters = new QGridLayout;
    filters->addWidget(m_useDates, 0, 0);
    filters->addWidget(m_from, 0, 1);
    filters->addWidget(new QLabel(QStringLiteral("到"), this), 0, 2);
    filters->addWidget(m_to, 0, 3);
    filters->addWidget(new QLabel(QStringLiteral("操作员"), this), 0, 4);
    filters->addWidget(m_operator, 0, 5);
    filters->addWidget(new QLabel(QStringLiteral("编号"), this), 0, 6);
    filters->addWidget(m_record, 0, 7);
    filters->addWidget(new QLabel(QStringLiteral("操作"), this), 0, 8);
    filters->addWidget(m_action, 0, 9);
    filters->addWidget(find, 0, 10);

    m_grid = new QTableWidget(0, 8, this);
    m_grid->setObjectName(QStringLiteral("Grid_czrz"));
    m_grid->setHorizontalHeaderLabels({QStringLiteral("时间"), QStringLiteral("操作员"),
                                       QStringLiteral("程序"), QStringLiteral("工作站"),
                                       QStringLiteral("操作"), QStringLiteral("编号"),
                                       QStringLiteral("评估号"), QStringLiteral("详情")});
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->horizontalHeader()->resizeSection(0, 150);

    m_pageLabel = new QLabel(this);
    m_previous = button(QStringLiteral("&P 上一页"), "Btn_syy", this);
    m_next = button(QStringLiteral("&N 下一页"), "Btn_xyy", this);
    auto* exportButton = button(QStringLiteral("&E 导出CSV"), "Btn_dc", this);
    auto* close = button(QStringLiteral("&C 关闭"), "Btn_gb", this);
    connect(m_previous, &QPushButton::clicked, this, &AuditLogWindow::previousPage);
    connect(m_next, &QPushButton::clicked, this, &AuditLogWindow::nextPage);
    connect(exportButton, &QPushButton::clicked, this, &AuditLogWindow::exportCsv);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pageLabel, 1);
    for (QWidget* b : {static_cast<QWidget*>(m_previous), static_cast<QWidget*>(m_next),
                       static_cast<QWidget*>(exportButton), static_cast<QWidget*>(close)})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    search();
}

std::optional<domain::AuditFilter> AuditLogWindow::filterFromBoxes()
{
    domain::AuditFilter filter;
    if (m_useDates->isChecked()) {
        QDate from = m_from->date();
        QDate to = m_to->date();
        if (from > to) {
            std::swap(from, to);
            m_from->setDate(from);
            m_to->setDate(to);
            m_context.prompts.information(this, QStringLiteral("起始日期晚于终止日期，已互换。"),
                                          kCaption);
        }
        filter.from = from;
        filter.to = to;
    }
    filter.operatorCode = m_operator->text().trimmed();
    filter.record = m_record->text().trimmed();
    const QString code = m_action->currentData().toString();
    if (!code.isEmpty())
        filter.action = domain::auditActionFromCode(code);
    return filter;
}

bool AuditLogWindow::search()
{
    const std::optional<domain::AuditFilter> filter = filterFromBoxes();
    if (!filter)
        return false;
    m_filter = *filter;
    m_pageStarts.clear();
    showPage(std::nullopt);
    return true;
}

void AuditLogWindow::showPage(std::optional<qint64> before)
{
    std::vector<domain::AuditRow> rows;
    try {
        rows = domain::auditPage(m_context.db(), m_filter, before, kPageSize);
    } catch (const store::DatabaseError& e) {
        qCWarning(ui::lcUi).noquote() << "the operation log could not be read:" << e.message();
        m_context.prompts.error(this, QStringLiteral("操作日志读取不成功!"),
                                QStringLiteral("出错提示"));
        return;
    }
    m_pageStarts.push_back(before);
    m_grid->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        const domain::AuditRow& r = rows[std::size_t(i)];
        const std::optional<domain::AuditAction> action = domain::auditActionFromCode(r.action);
        const QStringList cells{r.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                                r.operatorCode,
                                r.program,
                                r.workstation,
                                action ? domain::auditCaption(*action) : r.action,
                                r.record,
                                r.assessment ? QString::number(*r.assessment) : QString(),
                                r.detail};
        for (int c = 0; c < cells.size(); ++c)
            m_grid->setItem(i, c, new QTableWidgetItem(cells[c]));
    }
    m_lastId = rows.empty() ? std::nullopt : std::optional<qint64>(rows.back().id);
    m_full = int(rows.size()) == kPageSize;
    m_next->setEnabled(m_full);
    m_previous->setEnabled(m_pageStarts.size() > 1);
    m_pageLabel->setText(rows.empty() ? QStringLiteral("没有符合条件的记录。")
                                      : QStringLiteral("第 %1 页").arg(m_pageStarts.size()));
}

void AuditLogWindow::nextPage()
{
    if (!m_full || !m_lastId)
        return;
    showPage(m_lastId);
}

void AuditLogWindow::previousPage()
{
    if (m_pageStarts.size() < 2)
        return;
    m_pageStarts.pop_back();
    const std::optional<qint64> start = m_pageStarts.back();
    m_pageStarts.pop_back();
    showPage(start);
}

void AuditLogWindow::exportCsv()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString file = m_context.prompts.saveFileName(
        this, QStringLiteral("导出操作日志"),
        QDir(folder).filePath(
            QStringLiteral("操作日志-%1.csv").arg(QDate::currentDate().toString(Qt::ISODate))),
        QStringLiteral("CSV 文件 (*.csv)"));
    if (file.isEmpty())
        return;
    const QStringList databaseFiles = m_context.connection
                                          ? store::databaseFiles(m_context.connection->settings())
                                          : QStringList();
    if (const QString refused = store::targetRefusal(file, databaseFiles); !refused.isEmpty()) {
        qCWarning(ui::lcUi).noquote() << "the log export was refused:" << refused;
        m_context.prompts.error(this,
                                QStringLiteral("不能写到这个文件：它是正在使用的数据库，或者不是"
                                               "普通文件。请另选一个文件名。"),
                                QStringLiteral("出错提示"));
        return;
    }
    QSaveFile out(file);
    qint64 written = -1;
    if (out.open(QIODevice::WriteOnly)) {
        store::makePrivateFile(out.fileName());
        try {
            written = domain::writeAuditCsv(m_context.db(), m_filter, [&out](const QByteArray& b) {
                return out.write(b) == b.size();
            });
        } catch (const store::DatabaseError& e) {
            qCWarning(ui::lcUi).noquote() << "the operation log could not be read:" << e.message();
        }
    }
    if (written < 0 || !out.commit()) {
        out.cancelWriting();
        qCWarning(ui::lcUi).noquote()
            << "the log export to" << file << "failed:" << out.errorString();
        m_context.prompts.error(
            this,
            QStringLiteral("导出不成功，文件 %1 没有写入。").arg(QDir::toNativeSeparators(file)),
            QStringLiteral("出错提示"));
        return;
    }
    store::makePrivateFile(file);
    domain::noteAudit(m_context.db(),
                      {domain::AuditAction::View,
                       {},
                       std::nullopt,
                       QStringLiteral("导出操作日志 → ") + QFileInfo(file).fileName()});
    m_context.prompts.information(
        this,
        QStringLiteral("已导出 %1 条记录到 %2。").arg(written).arg(QDir::toNativeSeparators(file)),
        kCaption);
}

} // namespace hra::app
