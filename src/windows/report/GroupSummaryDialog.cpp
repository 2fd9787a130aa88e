#include "windows/report/GroupSummaryDialog.h"

#include "report/GroupSummaryReport.h"
#include "report/Sections.h"
#include "reportengine/Report.h"
#include "store/Connection.h"
#include "store/PrivateFiles.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/Log.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"
#include "windows/report/Context.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace hra::report {
namespace {

const QString kErrorCaption = QStringLiteral("错误提示");
const QString kInfoCaption = QStringLiteral("信息提示");

QDateEdit* dateEdit(QWidget* parent, const char* name)
{
    auto* edit = new QDateEdit(QDate::currentDate(), parent);
    edit->setObjectName(QLatin1String(name));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    edit->setEnabled(false);
    return edit;
}

QStringList storedUnits(store::Connection& connection)
{
    store::Sql statements = connection.sql();
    const store::Rows rows = statements.select(
        QStringLiteral("select distinct gongzdw from jkpg_jbxx where gongzdw is not null "
                       "order by gongzdw"));
    QStringList units;
    for (const QVariantList& row : rows.rows)
        if (!row[0].toString().trimmed().isEmpty())
            units << row[0].toString();
    return units;
}

} // namespace

GroupSummaryDialog::GroupSummaryDialog(Context& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_unit(new QComboBox(this)),
      m_fromOn(new QCheckBox(QStringLiteral("起始日期"), this)), m_from(dateEdit(this, "qsrq")),
      m_toOn(new QCheckBox(QStringLiteral("终止日期"), this)), m_to(dateEdit(this, "zzrq"))
{
    setObjectName(QStringLiteral("TFrm_tjhz"));
    setWindowTitle(QStringLiteral("团体健康评估报告"));
    m_unit->setObjectName(QStringLiteral("danw"));
    m_unit->setEditable(true);
    m_unit->setMinimumWidth(280);
    m_fromOn->setObjectName(QStringLiteral("qsrq_x"));
    m_toOn->setObjectName(QStringLiteral("zzrq_x"));
    try {
        m_unit->addItems(storedUnits(m_context.connection));
    } catch (const std::exception& e) {
        // The operator may still type the unit.
        qCWarning(ui::lcUi) << "units not read:" << e.what();
    }
    connect(m_fromOn, &QCheckBox::toggled, m_from, &QWidget::setEnabled);
    connect(m_toOn, &QCheckBox::toggled, m_to, &QWidget::setEnabled);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("工作单位"), m_unit);
    auto* from = new QHBoxLayout;
    from->addWidget(m_fromOn);
    from->addWidget(m_from);
    auto* to = new QHBoxLayout;
    to->addWidget(m_toOn);
    to->addWidget(m_to);
    form->addRow(from);
    form->addRow(to);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto button = [this, buttons](const QString& caption, const char* name, auto slot) {
        auto* b = new ui::FlatButton(caption, this);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    button(QStringLiteral("&V 预览"), "Btn_yl", [this] { preview(); });
    button(QStringLiteral("&X 导出Excel"), "Btn_excel", [this] { exportBook(); });
    button(QStringLiteral("&C 关闭"), "Btn_gb", [this] { reject(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    ui::KeyNavigation::install(this);
}

std::optional<GroupSummaryData> GroupSummaryDialog::read()
{
    GroupChoice choice;
    choice.unit = m_unit->currentText().trimmed();
    if (choice.unit.isEmpty()) {
        m_context.prompts.information(this, QStringLiteral("请选择工作单位!"), kInfoCaption);
        return std::nullopt;
    }
    if (m_fromOn->isChecked())
        choice.from = m_from->date();
    if (m_toOn->isChecked())
        choice.to = m_to->date();
    if (choice.from && choice.to && *choice.from > *choice.to) {
        m_context.prompts.information(this, QStringLiteral("起始日期不能晚于终止日期!"),
                                      kInfoCaption);
        return std::nullopt;
    }
    try {
        store::Sql statements = m_context.connection.sql();
        return readGroupSummary(statements, choice);
    } catch (const std::exception& e) {
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("统计不成功!")),
                                kErrorCaption);
        return std::nullopt;
    }
}

void GroupSummaryDialog::preview()
{
    const std::optional<GroupSummaryData> data = read();
    if (!data)
        return;
    const QString directory = m_context.reportsDirectory.isEmpty() ? defaultReportsDirectory()
                                                                   : m_context.reportsDirectory;
    const QString path = QDir(directory).filePath(QLatin1String(kGroupSummaryTemplate));
    auto report = std::make_unique<reportengine::Report>();
    const reportengine::LoadResult loaded = report->load(path);
    if (!loaded.ok || !QFile::exists(path)) {
        m_context.prompts.error(
            this, QStringLiteral("找不到报表文件%1!").arg(QDir::toNativeSeparators(path)),
            kErrorCaption);
        return;
    }
    addGroupSummarySources(*report, *data);
    auto note = [this, choice = data->choice](domain::AuditAction action, const QString& file) {
        domain::noteAudit(m_context.connection.db(), groupSummaryAudit(action, choice, file));
    };
    auto* dialog = new GroupSummaryPreview(m_context.prompts, std::move(report), note, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->startBuild();
    dialog->open();
}

void GroupSummaryDialog::exportBook()
{
    const std::optional<GroupSummaryData> data = read();
    if (!data)
        return;
    const QString path = m_context.prompts.saveFileName(this, QStringLiteral("导出Excel"),
                                                        QStringLiteral("团体健康评估报告.xlsx"),
                                                        QStringLiteral("Excel 文件 (*.xlsx)"));
    if (path.isEmpty())
        return;
    const QString failed =
        writeSummaryBook(*data, path, store::databaseFiles(m_context.connection.settings()));
    if (failed.isEmpty()) {
        domain::noteAudit(m_context.connection.db(),
                          groupSummaryAudit(domain::AuditAction::View, data->choice, path));
        m_context.prompts.information(this, QStringLiteral("导出成功!"), kInfoCaption);
    } else
        m_context.prompts.error(this, QStringLiteral("导出不成功!%1").arg(failed), kErrorCaption);
}

GroupSummaryPreview::GroupSummaryPreview(ui::PromptService& prompts,
                                         std::unique_ptr<reportengine::Report> report, Note note,
                                         QWidget* parent)
    : PreviewDialog(std::move(report), parent,
                    [](const QString& caption, QWidget* owner) {
                        return new ui::FlatButton(caption, owner);
                    }),
      m_prompts(prompts), m_note(std::move(note))
{
    setObjectName(QStringLiteral("groupSummaryPreview"));
    setWindowTitle(QStringLiteral("团体健康评估报告"));
    ui::KeyNavigation::install(this);
}

QString GroupSummaryPreview::askPdfPath()
{
    m_pdfPath = m_prompts.saveFileName(this, QStringLiteral("导出PDF"),
                                       QStringLiteral("团体健康评估报告.pdf"),
                                       QStringLiteral("PDF 文件 (*.pdf)"));
    return m_pdfPath;
}

void GroupSummaryPreview::pdfExported(bool ok, const QString& error)
{
    if (ok) {
        m_note(domain::AuditAction::ExportPdf, m_pdfPath);
        m_prompts.information(this, QStringLiteral("导出成功!"), kInfoCaption);
    } else
        m_prompts.error(this, QStringLiteral("导出不成功!%1").arg(error), kErrorCaption);
}

void GroupSummaryPreview::buildFailed(const QString& error)
{
    m_prompts.error(this, QStringLiteral("报表生成出错:%1").arg(error), kErrorCaption);
}

void GroupSummaryPreview::printed()
{
    m_note(domain::AuditAction::Print, {});
}

void GroupSummaryPreview::printFailed(const QString& error)
{
    m_prompts.error(this, QStringLiteral("打印不成功!%1").arg(error), kErrorCaption);
}

} // namespace hra::report
