#include "Helpers.h"
#include "reportengine/layout/Expression.h"

using namespace hra::reportengine;
using namespace hra::reportengine::test;

namespace {

struct Case
{
    const char* text;
    const char* expected;
};

DataSources sampleSources()
{
    DataSources sources;
    sources.add(table(
        QStringLiteral("person"),
        {QStringLiteral("name"), QStringLiteral("title"), QStringLiteral("ratio"),
         QStringLiteral("count"), QStringLiteral("missing")},
        {{QStringLiteral("张三"), QStringLiteral("先生"), 22.857142857142858, 25.0, QVariant()},
         {QStringLiteral("李四"), QStringLiteral("女士"), 1.5, 2.0, QVariant()}}));
    sources.add(table(QStringLiteral("empty"), {QStringLiteral("name")}, {}));
    return sources;
}

} // namespace

TEST(Expressions, BindToTheFirstRowAndJoinSideBySide)
{
    const Case cases[] = {
        {"纯文字", "纯文字"},
        {"[person.\"name\"]", "张三"},
        {"[<person.\"name\">]", "张三"},
        {"尊敬的[person.\"name\"] [person.\"title\"]，您好", "尊敬的张三 先生，您好"},
        {"[person.\"name\"][person.\"title\"]", "张三先生"},
        {"[<person.\"name\">][<person.\"title\">]", "张三先生"},
        {"[person.\"NAME\"]", "张三"},
        {"[Person.\"name\"]", "张三"},
        {"[person.\"ratio\"]", "22.8571428571429"},
        {"[person.\"count\"]", "25"},
        {"a[person.\"missing\"]b", "ab"},
        {"a[nosuch.\"name\"]b", "ab"},
        {"a[person.\"nosuch\"]b", "ab"},
        {"a[empty.\"name\"]b", "ab"},
        {"第 [Page#] 页", "第 1 页"},
        {"[abc]", "[abc]"},
        {"[person.name]", "[person.name]"},
        {"[person.\"name\"", "[person.\"name\""},
        {"[[person.\"name\"]", "[张三"},
        {"]", "]"},
    };
    const DataSources sources = sampleSources();
    for (const Case& c : cases) {
        const QString xml =
            onePage(QStringLiteral("<text width=\"700\" height=\"40\" wrap=\"false\">%1</text>")
                        .arg(QString::fromUtf8(c.text).toHtmlEscaped()));
        const BuildResult result = build(xml, sources);
        ASSERT_EQ(result.report.pageCount(), 1);
        EXPECT_EQ(result.report.pageText(0), QString::fromUtf8(c.expected)) << c.text;
    }
}

TEST(Expressions, UnknownSourcesAndFieldsAreReportedOnce)
{
    const BuildResult result =
        build(onePage(QStringLiteral("<text width=\"100\" height=\"20\">[nosuch.&quot;a&quot;]"
                                     "[nosuch.&quot;b&quot;][person.&quot;nofield&quot;]</text>")),
              sampleSources());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.warnings,
              QStringList({QStringLiteral("unknown data source \"nosuch\""),
                           QStringLiteral("unknown field \"nofield\" of data source \"person\"")}));
}

TEST(Expressions, SourcesWithoutRowsDoNotWarnAboutFields)
{
    // An empty JSON array names no fields; neither a text nor a chart over it
    // warns, while the same chart over a source with rows does.
    DataSources sources;
    sources.add(table(QStringLiteral("none"), {}, {}));
    sources.add(table(QStringLiteral("some"), {QStringLiteral("x")}, {{1}}));
    const QString xml = onePage(QStringLiteral(
        "<text width=\"100\" height=\"20\">[none.&quot;a&quot;]</text>"
        "<chart y=\"30\" width=\"300\" height=\"200\" source=\"none\" value=\"v\"/>"
        "<chart y=\"240\" width=\"300\" height=\"200\" source=\"some\" value=\"v\"/>"));
    const BuildResult result = build(xml, sources);
    EXPECT_EQ(result.warnings,
              QStringList({QStringLiteral("unknown field \"v\" of data source \"some\"")}));
}

TEST(Expressions, ParseSplitsLiteralFieldAndPageParts)
{
    const std::vector<TextPart> parts = parseText(QStringLiteral("第[Page#]页[<a.\"b c\">]x"));
    const std::vector<TextPart> expected = {
        {TextPart::Literal, QStringLiteral("第"), {}, {}},
        {TextPart::PageNumber, {}, {}, {}},
        {TextPart::Literal, QStringLiteral("页"), {}, {}},
        {TextPart::Field, {}, QStringLiteral("a"), QStringLiteral("b c")},
        {TextPart::Literal, QStringLiteral("x"), {}, {}},
    };
    EXPECT_EQ(parts, expected);
}
