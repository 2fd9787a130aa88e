#include "Helpers.h"

#include <stdexcept>

using namespace hra::reportengine;
using namespace hra::reportengine::test;

TEST(JsonSources, RowsOfNamedSources)
{
    DataSources sources;
    QString error;
    ASSERT_TRUE(loadJsonSources(R"({
        "person": [{"name": "张三", "age": 52, "ratio": 22.857142857142858},
                   {"name": "李四", "extra": true}],
        "empty": []
    })",
                                sources, &error))
        << error.toStdString();
    const DataSource* person = sources.find(QStringLiteral("person"));
    ASSERT_NE(person, nullptr);
    EXPECT_EQ(person->rowCount(), 2);
    EXPECT_EQ(person->fieldNames(), QStringList({QStringLiteral("age"), QStringLiteral("extra"),
                                                 QStringLiteral("name"), QStringLiteral("ratio")}));
    EXPECT_EQ(formatValue(person->value(0, person->fieldIndex(QStringLiteral("name")))),
              QStringLiteral("张三"));
    EXPECT_EQ(formatValue(person->value(0, person->fieldIndex(QStringLiteral("age")))),
              QStringLiteral("52"));
    EXPECT_EQ(formatValue(person->value(0, person->fieldIndex(QStringLiteral("ratio")))),
              QStringLiteral("22.8571428571429"));
    // A key missing from a row reads as null.
    EXPECT_TRUE(person->value(1, person->fieldIndex(QStringLiteral("age"))).isNull());
    ASSERT_NE(sources.find(QStringLiteral("empty")), nullptr);
    EXPECT_EQ(sources.find(QStringLiteral("empty"))->rowCount(), 0);
}

TEST(JsonSources, OtherShapesAreRejectedAndLoadNothing)
{
    const struct
    {
        const char* json;
        const char* message;
    } cases[] = {
        {"{\"a\": [", "invalid JSON"},
        {"[1, 2]", "expected an object of named sources"},
        {"{\"ok\": [], \"a\": {\"x\": 1}}", "source \"a\": expected an array"},
        {"{\"a\": [1]}", "source \"a\": every row must be an object"},
    };
    for (const auto& c : cases) {
        DataSources sources;
        QString error;
        EXPECT_FALSE(loadJsonSources(c.json, sources, &error)) << c.json;
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << error.toStdString();
        EXPECT_TRUE(sources.names().isEmpty()) << c.json;
    }
}

TEST(DataSources, BuildNotifiesEachSourceOnceAtFirstReadAndStartsAtTheFirstRow)
{
    auto person = table(QStringLiteral("person"), {QStringLiteral("name")},
                        {{QStringLiteral("first")}, {QStringLiteral("second")}});
    auto unused = table(QStringLiteral("unused"), {QStringLiteral("x")}, {{1}});
    int personReads = 0;
    int unusedReads = 0;
    person->setOnRead([&](TableDataSource& self) {
        ++personReads;
        // A source may recompute its rows when the build starts reading it.
        self.setRows({{QStringLiteral("fresh")}, {QStringLiteral("second")}});
    });
    unused->setOnRead([&](TableDataSource&) { ++unusedReads; });
    person->next(); // left on the second row by earlier work
    DataSources sources;
    sources.add(person);
    sources.add(unused);

    const QString box =
        QStringLiteral("<text width=\"200\" height=\"20\">[person.&quot;name&quot;]</text>");
    const BuildResult result = build(
        QStringLiteral("<report><page>%1%1</page><page>%1</page></report>").arg(box), sources);
    EXPECT_EQ(personReads, 1);
    EXPECT_EQ(unusedReads, 0);
    EXPECT_EQ(result.report.pageText(0), QStringLiteral("fresh\nfresh"));
    EXPECT_EQ(result.report.pageText(1), QStringLiteral("fresh"));

    build(QStringLiteral("<report><page>%1</page></report>").arg(box), sources);
    EXPECT_EQ(personReads, 2); // once per build
}

TEST(DataSources, AFailingSourceEndsTheBuildWithItsMessage)
{
    auto failing = table(QStringLiteral("bad"), {QStringLiteral("x")}, {});
    failing->setOnRead([](TableDataSource&) { throw std::runtime_error("query failed"); });
    DataSources sources;
    sources.add(failing);
    const BuildResult result =
        build(QStringLiteral(
                  "<report><page><text width=\"9\" height=\"9\">[bad.&quot;x&quot;]</text></page>"
                  "<page/></report>"),
              sources);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, QStringLiteral("query failed"));
}

// A fault of the program is not a build error: it must not be caught and
// shown as if the data had failed.
TEST(DataSources, AProgrammingFaultInASourceIsNotTurnedIntoABuildError)
{
    auto faulty = table(QStringLiteral("bad"), {QStringLiteral("x")}, {});
    faulty->setOnRead([](TableDataSource&) { throw std::out_of_range("row -1"); });
    DataSources sources;
    sources.add(faulty);
    EXPECT_THROW(build(QStringLiteral("<report><page><text width=\"9\" height=\"9\">"
                                      "[bad.&quot;x&quot;]</text></page></report>"),
                       sources),
                 std::out_of_range);
}
