#include "records/PersonListReport.h"

#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/widgets/ReportPreview.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace hra::records {

const QStringList& personListFields()
{
    static const QStringList fields{"bianh",   "xingm", "xingb",  "zunc",   "shenfzh", "nianl",
                                    "minz",    "zhiy",  "hunyzk", "wenhcd", "gongzdw", "tongxdz",
                                    "lianxfs", "youj",  "lurrq",  "zhaop"};
    return fields;
}

std::shared_ptr<reportengine::TableDataSource> personListSource(const QList<QVariantMap>& persons)
{
    auto source = std::make_shared<reportengine::TableDataSource>(QStringLiteral("frxDB_llda"),
                                                                  personListFields());
    for (const QVariantMap& person : persons) {
        QVariantList row;
        for (const QString& field : personListFields()) {
            row << person.value(field);
        }
        source->appendRow(row);
    }
    return source;
}

bool buildPersonList(reportengine::Report& report, const QString& templatePath,
                     const QList<QVariantMap>& persons, QString* error)
{
    if (!QFile::exists(templatePath)) {
        *error = QStringLiteral("找不到报表文件%1!").arg(QDir::toNativeSeparators(templatePath));
        return false;
    }
    const reportengine::LoadResult loaded = report.load(templatePath);
    if (!loaded.ok) {
        *error = QStringLiteral("报表文件有错误:%1").arg(loaded.toString());
        return false;
    }
    report.dataSources().add(personListSource(persons));
    const reportengine::BuildResult built = report.build();
    if (!built.ok) {
        *error = QStringLiteral("报表生成出错:%1").arg(built.error);
        return false;
    }
    return true;
}

PersonListPreview::PersonListPreview(ui::PromptService& prompts,
                                     std::unique_ptr<reportengine::Report> report, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_report(std::move(report)),
      m_preview(new reportengine::ReportPreview(this))
{
    setObjectName(QStringLiteral("personListPreview"));
    setWindowTitle(QStringLiteral("打印预览"));
    m_preview->setReport(m_report->built());

    auto* print = new ui::FlatButton(QStringLiteral("&P 打印"), this);
    print->setObjectName(QStringLiteral("print"));
    auto* pdf = new ui::FlatButton(QStringLiteral("&E 导出PDF"), this);
    pdf->setObjectName(QStringLiteral("exportPdf"));
    auto* close = new ui::FlatButton(QStringLiteral("&C 关闭"), this);
    close->setObjectName(QStringLiteral("close"));
    for (auto* b : {print, pdf, close})
        b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addWidget(pdf);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_preview, 1);
    connect(print, &QPushButton::clicked, m_preview, &reportengine::ReportPreview::print);
    connect(pdf, &QPushButton::clicked, this, &PersonListPreview::exportPdf);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    ui::KeyNavigation::install(this);
    resize(1180, 820);
}

PersonListPreview::~PersonListPreview() = default;

void PersonListPreview::exportPdf()
{
    const QString path =
        m_prompts.saveFileName(this, QStringLiteral("导出PDF"), QStringLiteral("jbxx.pdf"),
                               QStringLiteral("PDF 文件 (*.pdf)"));
    if (path.isEmpty())
        return;
    QString error;
    if (reportengine::exportPdf(m_report->built(), path, &error, QStringLiteral("档案信息列表")))
        m_prompts.information(this, QStringLiteral("导出成功!"), QStringLiteral("提示信息!"));
    else
        m_prompts.error(this, QStringLiteral("导出不成功!%1").arg(error),
                        QStringLiteral("出错提示!"));
}

} // namespace hra::records
