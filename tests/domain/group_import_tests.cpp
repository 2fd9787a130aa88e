#include "domain/Assessment.h"
#include "domain/GroupImport.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace hra;
using domain::GroupImportError;
using domain::GroupRow;

namespace {

QString meaning(const std::optional<domain::GroupColumn>& c)
{
    return c ? c->table + u'.' + c->column : QStringLiteral("-");
}

// Every problem's text, in order.
QStringList problemTexts(const GroupImportError& e)
{
    QStringList out;
    for (const domain::GroupProblem& p : e.problems())
        out << p.text();
    return out;
}

const QStringList kHeader{"姓名",   "性别",   "年龄",     "身份证号", "身高",     "体重",  "腰围",
                          "收缩压", "舒张压", "总胆固醇", "甘油三酯", "空腹血糖", "糖耐量"};

GroupRow person(int number, const QString& name, const QString& sex, const QString& age,
                const QString& identity, const QString& systolic = QStringLiteral("130"))
{
    return {
        number,
        {name, sex, age, identity, "1.7", "65", "80", systolic, "80", "4.5", "1.2", "5.1", "6.4"}};
}

} // namespace

TEST(GroupHeaderTest, CaptionsColumnNamesAndAliases)
{
    const std::vector<std::pair<QString, QString>> cases{
        {"姓名", "jkpg_jbxx.xingm"},
        {"xingm", "jkpg_jbxx.xingm"},
        {"编号", "jkpg_jbxx.bianh"},
        {"档案编号", "jkpg_jbxx.bianh"},
        {" 身高(m) ", "jkpg_tgjc.sheng"},
        {"身高（米）", "jkpg_tgjc.sheng"},
        {"*收缩压", "jkpg_tgjc.shousy"},
        {"SBP", "jkpg_tgjc.shousy"},
        {"hdl-c", "jkpg_tgjc.gaomdzdb"},
        {"jkpg_tgjc.sheng", "jkpg_tgjc.sheng"},
        {"1.您过去一段时间感到疲劳的程度是：", "jkpg_mqzk.pilcd"},
        {"您过去一段时间感到疲劳的程度是", "jkpg_mqzk.pilcd"},
        {"jiazs_gxy", "jkpg_mqzk.jiazs_gxy"},
        {"", "-"},
    };
    for (const auto& [header, column] : cases) {
        const auto columns = domain::mapGroupHeader({header});
        ASSERT_EQ(columns.size(), 1u);
        EXPECT_EQ(meaning(columns[0]), column) << header.toStdString();
    }
}

// Every header that cannot be used is named at once, before any row is read.
TEST(GroupHeaderTest, UnknownAmbiguousAndRepeatedHeadersAreRefused)
{
    try {
        domain::mapGroupHeader({"姓名", "体温", "高血压", "身高", "身高(cm)"});
        FAIL() << "accepted";
    } catch (const GroupImportError& e) {
        EXPECT_EQ(problemTexts(e),
                  (QStringList{"表头: 无法识别的表头“体温”",
                               "表头: 表头“高血压”可以指“jkpg_mqzk.gaoxy”、“jkpg_mqzk.jiazs_gxy”，"
                               "请改用列名",
                               "表头: 表头“身高”与“身高(cm)”指同一项"}));
    }
}

// A device's own headers through a map file: each of its rows is checked and
// named by its row; a mapped header means what its mapping names.
TEST(GroupHeaderTest, MapFileRowsAndMappedHeaders)
{
    try {
        domain::readHeaderMap({{1, {"Height", "身高"}},
                               {2, {"Weight"}},
                               {3, {"", "体重"}},
                               {4, {"height ", "体重"}},
                               {5, {"Temp", "体温"}},
                               {6, {"", ""}},
                               {7, {"HT", "高血压"}}});
        FAIL() << "accepted";
    } catch (const GroupImportError& e) {
        EXPECT_EQ(problemTexts(e),
                  (QStringList{"映射文件第2行: 应有两项: 对方的表头, 本系统的名称或列名",
                               "映射文件第3行: 应有两项: 对方的表头, 本系统的名称或列名",
                               "映射文件第4行: 表头“height”已在第1行",
                               "映射文件第5行: 无法识别的表头“体温”",
                               "映射文件第7行: 表头“高血压”可以指“jkpg_mqzk.gaoxy”、"
                               "“jkpg_mqzk.jiazs_gxy”，请改用列名"}));
    }
    const domain::GroupHeaderMap map =
        domain::readHeaderMap({{1, {"Height", "身高"}}, {2, {"SYS", "jkpg_tgjc.shousy"}}});
    const auto meanings = domain::understandGroupHeader({"姓名", "HEIGHT", "SYS", "体温", ""}, map);
    QStringList shown;
    for (const domain::GroupHeaderMeaning& m : meanings)
        shown << meaning(m.column) + u'|' + m.fieldCaption + u'|' + m.refusal;
    EXPECT_EQ(shown, (QStringList{"jkpg_jbxx.xingm|姓名|", "jkpg_tgjc.sheng|身高|",
                                  "jkpg_tgjc.shousy|收缩压|", "-||无法识别的表头“体温”", "-||"}));
}

TEST(GroupHeaderTest, IdentityNumberCheckDigit)
{
    const std::vector<std::pair<QString, bool>> cases{
        {"110101197901010038", true},
        {"11010119860202002X", true},
        {"11010119860202002x", true},
        {"110101197901010037", false},
        {"11010119860202002", false},
        {"1101011986020200X2", false},
        {"", false},
    };
    for (const auto& [number, valid] : cases)
        EXPECT_EQ(domain::identityNumberValid(number), valid) << number.toStdString();
}

class GroupImportTest : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        store::run(conn->db(),
                   QStringLiteral("insert into jkpg_jbxx (bianh, xingm, xingb, nianl, shenfzh) "
                                  "values ('0000000041', '王五', '男', 50, '110101197901010038')"));
    }

    std::vector<domain::GroupImportedRow> import(const QList<GroupRow>& rows, bool dryRun = false,
                                                 const QStringList& header = kHeader)
    {
        return domain::importGroup(conn->db(), conn->serverNow(), header, rows, {.dryRun = dryRun});
    }

    int count(const QString& table) const
    {
        return store::scalar(conn->db(), QStringLiteral("select count(*) from %1").arg(table))
            .toInt();
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

// A person found by identity number, two new ones numbered after the
// highest stored number; the same sheet again adds assessments, no persons.
TEST_P(GroupImportTest, SameSheetTwiceAddsAssessmentsNotPersons)
{
    const QList<GroupRow> rows{person(2, "王五", "男", "50", "110101197901010038"),
                               person(3, "钱二", "女", "38", "11010119860202002x"),
                               person(4, "孙三", "男", "61", "")};
    const auto first = import(rows);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0].record, "0000000041");
    EXPECT_FALSE(first[0].newPerson);
    EXPECT_EQ(first[1].record, "0000000042");
    EXPECT_TRUE(first[1].newPerson);
    EXPECT_EQ(first[2].record, "0000000043");
    EXPECT_EQ(first[2].assessment, first[1].assessment.value() + 1);
    EXPECT_EQ(count("jkpg_jbxx"), 3);
    EXPECT_EQ(count("jkpg_tgjc"), 3);
    const store::Rows stored = store::select(
        conn->db(), "select xingm, xingb, nianl, shenfzh, zunc from jkpg_jbxx where bianh = "
                    "'0000000042'");
    EXPECT_EQ(stored.rows.at(0), (QVariantList{"钱二", "女", 38.0, "11010119860202002X", "女士"}));
    EXPECT_EQ(store::scalar(conn->db(), "select shousy from jkpg_tgjc where bianh = '0000000043'")
                  .toInt(),
              130);

    const auto second = import(rows);
    ASSERT_EQ(second.size(), 3u);
    // 孙三 has no identity number: a second row of him is another person.
    EXPECT_EQ(second[1].record, "0000000042");
    EXPECT_FALSE(second[1].newPerson);
    EXPECT_TRUE(second[1].earlierAssessments);
    EXPECT_EQ(second[2].record, "0000000044");
    EXPECT_EQ(count("jkpg_jbxx"), 4);
    EXPECT_EQ(domain::assessmentsOf(conn->db(), "0000000042").size(), 2);
}

// One bad row, the last, and nothing is stored; every bad row is listed
// with its row number, caption and reason.
TEST_P(GroupImportTest, BadRowsStoreNothingAndAreAllListed)
{
    GroupRow noWeight = person(4, "孙三", "男", "61", "");
    noWeight.cells[5] = "";
    const QList<GroupRow> rows{person(2, "钱二", "女", "38", "11010119860202002X"),
                               person(3, "王六", "男", "50", "110101197901010038"), noWeight,
                               person(5, "李四", "男", "200", "110101197901010037", "abc"),
                               person(6, "周七", "女", "30", "", "70")};
    for (const bool dryRun : {false, true}) {
        try {
            import(rows, dryRun);
            FAIL() << "accepted";
        } catch (const GroupImportError& e) {
            EXPECT_EQ(
                problemTexts(e),
                (QStringList{
                    "第3行 姓名: “王六”与档案0000000041中的“王五”不符",
                    "第4行 体重: 体重为必填项,带*号的为必填项!",
                    "第5行 年龄: “200”必须是0到150之间的整数",
                    "第5行 身份证号: “110101197901010037”不是有效的身份证号(18位,末位为校验码)",
                    "第5行 收缩压: “abc”不是有效的数字",
                    "第6行 舒张压: 收缩压必须高于舒张压!",
                }));
            EXPECT_EQ(e.total(), 6);
        }
    }
    EXPECT_EQ(count("jkpg_jbxx"), 1);
    EXPECT_EQ(count("jkpg_id"), 0);

    // The first rows alone store; a dry run of them stores nothing first.
    const auto dry = import(rows.mid(0, 1), true);
    ASSERT_EQ(dry.size(), 1u);
    EXPECT_TRUE(dry[0].newPerson);
    EXPECT_FALSE(dry[0].assessment);
    EXPECT_EQ(count("jkpg_jbxx"), 1);
    EXPECT_EQ(import(rows.mid(0, 1)).at(0).record, "0000000042");
    EXPECT_EQ(count("jkpg_id"), 1);
}

// A record number names the person; a number not stored registers one, and
// a later row of it in the sheet is that person, contradictions refused.
TEST_P(GroupImportTest, RecordNumbersAndRepeatedNewPersons)
{
    const QStringList header = QStringList{"编号"} + kHeader;
    auto numbered = [](const QString& number, GroupRow row) {
        row.cells.prepend(number);
        return row;
    };
    try {
        import({numbered("0000000041", person(2, "王五", "女", "", "")),
                numbered("A7", person(3, "赵一", "男", "45", "")),
                numbered("A7", person(4, "赵一", "男", "46", ""))},
               false, header);
        FAIL() << "accepted";
    } catch (const GroupImportError& e) {
        EXPECT_EQ(problemTexts(e), (QStringList{"第2行 性别: “女”与档案0000000041中的“男”不符",
                                                "第4行 年龄: “46”与第3行的“45”不符"}));
    }
    const auto done = import({numbered("0000000041", person(2, "", "", "", "")),
                              numbered("A7", person(3, "赵一", "男", "45", "")),
                              numbered("A7", person(4, "赵一", "", "", ""))},
                             false, header);
    ASSERT_EQ(done.size(), 3u);
    EXPECT_EQ(done[1].record, "A7");
    EXPECT_TRUE(done[1].newPerson);
    EXPECT_FALSE(done[2].newPerson);
    EXPECT_EQ(domain::assessmentsOf(conn->db(), "A7").size(), 2);
    EXPECT_EQ(count("jkpg_jbxx"), 2);
}

// Stopped before its last row, the import leaves nothing stored, however
// many rows were stored before inside its transaction.
TEST_P(GroupImportTest, CancelledImportStoresNothing)
{
    const QList<GroupRow> rows{person(2, "钱二", "女", "38", "11010119860202002X"),
                               person(3, "孙三", "男", "61", ""),
                               person(4, "王五", "男", "50", "110101197901010038")};
    const int logged = count("sys_czrz");
    QList<std::pair<int, int>> told;
    const auto progress = [&told](int done, int total) {
        told.append({done, total});
        return done < 2;
    };
    EXPECT_THROW(
        domain::importGroup(conn->db(), conn->serverNow(), kHeader, rows, {.progress = progress}),
        domain::GroupImportCancelled);
    EXPECT_EQ(told, (QList<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}}));
    EXPECT_EQ(count("jkpg_jbxx"), 1);
    EXPECT_EQ(count("jkpg_id"), 0);
    EXPECT_EQ(count("sys_czrz"), logged);
}

// Rows are stored as they are read: a second row of a stored person is still
// no "earlier assessment" of the first, and a mapped header fills its column.
TEST_P(GroupImportTest, RowsOfOnePersonWithMappedHeaders)
{
    QStringList header = kHeader;
    header[4] = "Height";
    const QList<GroupRow> rows{person(2, "王五", "男", "50", "110101197901010038"),
                               person(3, "王五", "男", "50", "110101197901010038", "140")};
    const auto done =
        domain::importGroup(conn->db(), conn->serverNow(), header, rows,
                            {.headerMap = domain::readHeaderMap({{1, {"Height", "身高"}}})});
    ASSERT_EQ(done.size(), 2u);
    EXPECT_FALSE(done[0].earlierAssessments);
    EXPECT_FALSE(done[1].earlierAssessments);
    EXPECT_EQ(done[1].name, "王五");
    EXPECT_EQ(done[1].assessment, done[0].assessment.value() + 1);
    const store::Rows stored = store::select(
        conn->db(), "select sheng, shousy from jkpg_tgjc where bianh = '0000000041' order by "
                    "jkpg_id");
    EXPECT_EQ(stored.rows, (QList<QVariantList>{{1.7, 130.0}, {1.7, 140.0}}));
}

INSTANTIATE_TEST_SUITE_P(Backends, GroupImportTest, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });
