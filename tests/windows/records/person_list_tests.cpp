// The printed person list (reports/jbxx.fr3) holds the widest values its
// columns take, whole.

#include "reportengine/Report.h"
#include "windows/records/PersonListReport.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace hra;

namespace {

QString templatePath()
{
    return qEnvironmentVariable("HRA_SOURCE_DIR") + QStringLiteral("/reports/jbxx.fr3");
}

QVariantMap person(const QString& name)
{
    return {{"bianh", "0000000001"},
            {"xingm", name},
            {"xingb", "男"},
            {"zunc", "先生"},
            {"nianl", 150},
            {"shenfzh", "11010519491231002X"},
            {"minz", "汉族"},
            {"hunyzk", "已婚"},
            {"lurrq", QDateTime(QDate(2026, 12, 10), QTime(3, 28, 39))},
            {"zhaop", "0000000001.jpg"},
            {"lianxfs", "01012345678"}};
}

} // namespace

TEST(PersonList, ATenCharacterNamePrintsWhole)
{
    for (const QString& name : {QStringLiteral("欧阳爱新觉罗慕容端木"),
                                QStringLiteral("WWWWWWWWWW"), QStringLiteral("张三")}) {
        SCOPED_TRACE(name.toStdString());
        reportengine::Report report;
        QString error;
        ASSERT_TRUE(records::buildPersonList(report, templatePath(),
                                             records::personListSource({person(name)}), &error))
            << error.toStdString();
        EXPECT_TRUE(report.lastWarnings().isEmpty())
            << report.lastWarnings().join(u'\n').toStdString();
        EXPECT_TRUE(report.pageText(0).contains(name));
    }
}

TEST(PersonList, ACharacterWithoutAGlyphIsReported)
{
    reportengine::Report report;
    QString error;
    ASSERT_TRUE(records::buildPersonList(
        report, templatePath(), records::personListSource({person(QStringLiteral("王😀五"))}),
        &error));
    const QString warnings = report.lastWarnings().join(u'\n');
    EXPECT_TRUE(warnings.contains(QStringLiteral("no font has a glyph for 1 character(s)")) &&
                warnings.contains(QStringLiteral("😀")))
        << warnings.toStdString();
    EXPECT_FALSE(warnings.contains(QStringLiteral("王")));
}
