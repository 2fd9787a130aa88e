#pragma once

#include "reportengine/DataSource.h"
#include "reportengine/layout/Builder.h"
#include "reportengine/layout/TemplateLoader.h"

#include <QDir>
#include <QString>
#include <gtest/gtest.h>
#include <memory>

namespace hra::reportengine::test {

// A template of one A4 page holding `objects` (XML).
inline QString onePage(const QString& objects)
{
    return QStringLiteral("<report><page name=\"p\">%1</page></report>").arg(objects);
}

inline ReportTemplate parse(const QString& xml, const QString& baseDir = QDir::tempPath())
{
    ReportTemplate t;
    const LoadResult r = loadTemplateFromData(xml.toUtf8(), baseDir, t);
    EXPECT_TRUE(r.ok) << r.toString().toStdString();
    return t;
}

inline BuildResult build(const QString& xml, const DataSources& sources = {})
{
    return buildReport(parse(xml), sources);
}

inline std::shared_ptr<TableDataSource> table(const QString& name, const QStringList& fields,
                                              const QList<QVariantList>& rows)
{
    return std::make_shared<TableDataSource>(name, fields, rows);
}

} // namespace hra::reportengine::test
