#include "windows/records/PersonListReport.h"

#include "reportengine/Report.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

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

bool preparePersonList(reportengine::Report& report, const QString& templatePath,
                       std::shared_ptr<reportengine::DataSource> persons, QString* error)
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
    report.dataSources().add(std::move(persons));
    return true;
}

bool buildPersonList(reportengine::Report& report, const QString& templatePath,
                     std::shared_ptr<reportengine::DataSource> persons, QString* error)
{
    if (!preparePersonList(report, templatePath, std::move(persons), error))
        return false;
    if (!report.build()) {
        *error = QStringLiteral("报表生成出错:%1").arg(report.lastError());
        return false;
    }
    return true;
}

PersonListPreview::PersonListPreview(ui::PromptService& prompts,
                                     std::unique_ptr<reportengine::Report> report, QWidget* parent)
    : PreviewDialog(std::move(report), parent,
                    [](const QString& caption, QWidget* owner) {
                        return new ui::FlatButton(caption, owner);
                    }),
      m_prompts(prompts)
{
    setObjectName(QStringLiteral("personListPreview"));
    ui::KeyNavigation::install(this);
}

QString PersonListPreview::askPdfPath()
{
    return m_prompts.saveFileName(this, QStringLiteral("导出PDF"), QStringLiteral("jbxx.pdf"),
                                  QStringLiteral("PDF 文件 (*.pdf)"));
}

void PersonListPreview::pdfExported(bool ok, const QString& error)
{
    if (ok)
        m_prompts.information(this, QStringLiteral("导出成功!"), QStringLiteral("提示信息!"));
    else
        m_prompts.error(this, QStringLiteral("导出不成功!%1").arg(error),
                        QStringLiteral("出错提示!"));
}

void PersonListPreview::buildFailed(const QString& error)
{
    m_prompts.error(this, QStringLiteral("报表生成出错:%1").arg(error), QStringLiteral("出错提示"));
}

void PersonListPreview::printFailed(const QString& error)
{
    m_prompts.error(this, QStringLiteral("打印不成功!%1").arg(error), QStringLiteral("出错提示!"));
}

QString PersonListPreview::pdfTitle() const
{
    return QStringLiteral("档案信息列表");
}

} // namespace hra::records
