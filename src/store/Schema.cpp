#include "store/Schema.h"

#include <initializer_list>

namespace hra::store {
namespace {

using Columns = std::vector<ColumnDef>;

ColumnDef text(const char* name, int width)
{
    return {QLatin1String(name), ColumnType::Text, width};
}
ColumnDef fixedText(const char* name, int width)
{
    return {QLatin1String(name), ColumnType::FixedText, width};
}
ColumnDef longText(const char* name)
{
    return {QLatin1String(name), ColumnType::LongText};
}
ColumnDef integer(const char* name)
{
    return {QLatin1String(name), ColumnType::Integer};
}
ColumnDef identity(const char* name)
{
    return {QLatin1String(name), ColumnType::Identity, 0, 0, false};
}
ColumnDef decimal(const char* name, int digits, int scale)
{
    return {QLatin1String(name), ColumnType::Decimal, digits, scale};
}
ColumnDef floating(const char* name)
{
    return {QLatin1String(name), ColumnType::Float};
}
ColumnDef dateTime(const char* name)
{
    return {QLatin1String(name), ColumnType::DateTime};
}
ColumnDef binary(const char* name)
{
    return {QLatin1String(name), ColumnType::Binary};
}
ColumnDef notNull(ColumnDef column)
{
    column.nullable = false;
    return column;
}

// The version of a row that workstations edit: written by every insert and
// update, so that an update or delete can tell that the row it loaded was
// changed by someone else meanwhile (RowBuffer). Last in its table, where an
// upgrade of an older database adds it.
ColumnDef version()
{
    return notNull(integer("banb"));
}

// Several columns of one kind.
Columns texts(int width, std::initializer_list<const char*> names)
{
    Columns columns;
    for (const char* name : names)
        columns.push_back(text(name, width));
    return columns;
}

Columns join(std::initializer_list<Columns> parts)
{
    Columns all;
    for (const Columns& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

KeyDef key(const char* name, std::initializer_list<const char*> columns)
{
    KeyDef k{QLatin1String(name), {}};
    for (const char* c : columns)
        k.columns << QLatin1String(c);
    return k;
}

IndexDef index(const char* name, std::initializer_list<const char*> columns)
{
    const KeyDef k = key(name, columns);
    return {k.name, k.columns};
}

// The five questionnaire sections: their own identifier, the assessment,
// the person, the answers and the save time; one row per assessment.
TableDef section(const char* name, ColumnDef identifier, Columns answers)
{
    const QString table = QLatin1String(name);
    return {table,
            join({{identifier, notNull(integer("jkpg_id")), notNull(text("bianh", 10))},
                  answers,
                  {dateTime("lurrq"), version()}}),
            {},
            {{QStringLiteral("uq_%1_assessment").arg(table),
              {QStringLiteral("jkpg_id"), QStringLiteral("bianh")}}}};
}

// Result work tables of the analysis: each row belongs to one session and,
// where there are several, is read back in order of xuh.
TableDef result(const char* name, Columns values, bool ordered = true)
{
    const QString table = QLatin1String(name);
    Columns columns = join({values, {notNull(text("session_key", 36))}});
    if (ordered)
        columns.push_back(notNull(integer("xuh")));
    return {table,
            columns,
            {},
            {},
            {{table + QStringLiteral("_session_key"), {QStringLiteral("session_key")}}}};
}

// Banded score tables: the upper bound of a band and the points of men and women.
TableDef scores(const char* name, const char* bound)
{
    return {QLatin1String(name), {decimal(bound, 18, 2), floating("nan"), floating("nv")}};
}

// Standard weights by age bound and height bound (cm) from 145 to 195.
TableDef standardWeights(const char* name)
{
    Columns columns{decimal("nianl", 18, 0)};
    for (int height = 145; height <= 195; height += 5)
        columns.push_back({QString::number(height), ColumnType::Decimal, 18, 1});
    return {QLatin1String(name), columns};
}

std::vector<TableDef> declaredTables()
{
    return {
        {"sys_yhxx",
         {notNull(text("yonghdm", 12)), text("yonghmc", 50), text("mim", 128), text("quanx", 255)},
         key("pk_sys_yhxx", {"yonghdm"})},
        {"sys_information", {text("pinggzx", 100)}},
        {"sys_sjkbb", {notNull(integer("banb"))}},
        {"jkpg_pgzx",
         {text("danwdm", 20), text("danwmc", 100), text("dizl", 200), text("lianxfs", 100),
          text("beiz", 255), text("diq", 10), text("chengx", 10)}},
        {"sys_bgfm",
         {notNull(integer("tup_id")), binary("beijtp")},
         key("pk_sys_bgfm", {"tup_id"})},
        {"jkpg_jbxx",
         join({{notNull(text("bianh", 10)), text("xingm", 10), text("xingb", 2), text("zunc", 4),
                text("shenfzh", 18), decimal("nianl", 18, 0), text("minz", 10), text("zhiy", 30),
                text("hunyzk", 8), text("wenhcd", 10)},
               texts(50, {"gongzdw", "tongxdz"}),
               {text("lianxfs", 20), text("youj", 50), dateTime("lurrq"), text("zhaop", 20),
                version()},
               // The photo itself (the bytes as chosen) and its picture format;
               // it lives in the person's row, so renumbering keeps it and a
               // new person under a number once used starts without one.
               {binary("zhaopsj"), text("zhaopgs", 10)}}),
         key("pk_jkpg_jbxx", {"bianh"}),
         {},
         {index("ix_jkpg_jbxx_xingm", {"xingm"}), index("ix_jkpg_jbxx_xingb", {"xingb", "nianl"}),
          index("ix_jkpg_jbxx_nianl", {"nianl"})}},
        {"jkpg_id",
         {notNull(integer("jkpg_id")), notNull(text("bianh", 10)), integer("cis"), text("id", 10),
          text("zhuangt", 10), dateTime("lurrq"), version()},
         key("pk_jkpg_id", {"jkpg_id"}),
         {},
         {index("ix_jkpg_id_bianh", {"bianh", "jkpg_id"}),
          index("ix_jkpg_id_lurrq", {"lurrq", "jkpg_id"})}},
        section("jkpg_mqzk", text("mqzk_id", 20),
                join({// the disease tick boxes
                      texts(20, {"manxzqgy", "naoxs", "qitxzb", "feia", "feiqz", "guanxb", "yixtnb",
                                 "ruxzs", "xiaoc", "gaoxyxxzb", "erxtnb", "qit", "gaoxy", "feixb",
                                 "ruxa", "naocx", "xiantxxzb", "qianlxa"}),
                      // the other disease and the state of health
                      texts(20, {"qitnr", "pilcd", "tizbh", "shifjtz", "shifcxy", "shifcxz",
                                 "shiftt", "shifbzc"}),
                      // family history
                      texts(20, {"jiazs_gxy", "jiazs_1tnb", "jiazs_2tnb", "jiazs_gxz", "jiazs_gxb",
                                 "jiazs_nzz", "jiazs_ncx", "jiazs_nxs", "jiazs_fp"})})),
        section("jkpg_ssyy", fixedText("ssyy_id", 10),
                texts(20, {"zufsbl", "douzpsrl", "naizpsrl", "meitsc", "meitsg", "meitjd",
                           "meitzyr", "meityxb", "meitjye", "meitgr", "meitjl", "meitbj", "meitgj",
                           "meitzwy", "meitsy", "meitjcfp"})),
        section("jkpg_ydfs", fixedText("ydfs_id", 10),
                join({texts(20, {"meizgzts", "zuozsj", "chuxfs"}),
                      {text("duanlfs", 100)},
                      texts(20, {"duanlcs", "duanlsj", "yundjg"})})),
        section("jkpg_shfs", fixedText("shfs_id", 10),
                texts(20, {"beidxy", "shifxy", "xiyzs", "yanl", "shifyj", "yinjzl_bj", "yinjzl_pj",
                           "yinjzl_gj", "yinjzl_qt", "meirjl", "shifjlcp", "shifcs", "shifzz",
                           "shuimzk", "shuimsj", "shifay"})),
        section("jkpg_tgjc", fixedText("tgjc_id", 10),
                {decimal("sheng", 18, 2), floating("tiz"), floating("tizzs"), floating("yaow"),
                 floating("tunw"), decimal("shousy", 18, 0), decimal("shuzy", 18, 0),
                 text("zuoxsfd", 2), floating("zongdgc"), floating("ganysz"), floating("gaomdzdb"),
                 floating("dimdzdb"), floating("kongfxt"), floating("canhexsxt"),
                 floating("tanghxhdb"), text("xuens", 20), text("zhifg_bc", 20),
                 text("jiangyy", 10)}),
        {"jkpg_sjzd",
         join({texts(20, {"biaomc", "duiykjmc", "duiyzd", "duiyz", "beiz"}),
               {decimal("min_value", 18, 2), decimal("max_value", 18, 2), text("danw", 20),
                version()}}),
         {},
         {},
         {index("ix_jkpg_sjzd_duiyzd", {"biaomc", "duiyzd"})}},

        // The risk analysis.
        {"jkpg_fxhh",
         {notNull(text("session_key", 36)), text("bianh", 10), integer("jkpg_id"),
          notNull(dateTime("huodsj"))},
         key("", {"session_key"}),
         {},
         {index("jkpg_fxhh_huodsj", {"huodsj"})}},
        result("jkpg_gxy", {text("gxyjb", 20), decimal("gxy1", 18, 0)}),
        result("jkpg_gxb", {text("gxbid", 20), floating("gxbbwxx")}),
        result("jkpg_ncz", {text("nczid", 20), floating("nczbwxx")}),
        result("jkpg_tnb", {text("tnbid", 20), floating("tnbpgxx")}),
        result("jkpg_ssyypg", {text("mingc", 20), text("neir", 20), integer("zhis")}),
        result("jkpg_ydcf",
               {text("jianyydl", 20), text("yundfs", 50), text("yundsj", 200), text("yundqd", 50),
                text("yundpd", 100)},
               false),
        result("jkpg_tgjc_pd",
               join({texts(10, {"pd_tizzs", "pd_shousy", "pd_shuzy", "pd_zongdgc", "pd_ganysz",
                                "pd_gaomdzdb", "pd_dimdzdb", "pd_kongfxt"}),
                     {text("pd_canhexsxt", 50)},
                     texts(10, {"pd_tanghxhdb", "pd_xuens"}),
                     {text("pd_yaow", 20)}}),
               false),
        [] {
            TableDef t = result(
                "jkpg_shfs_wxys",
                join({{identity("id")},
                      texts(30, {"TZZS", "TC", "TG", "HDL", "LDL", "YAOW", "ZIFG"}),
                      {longText("TZZSTS"), longText("TCTS"), longText("TGTS"), longText("HDLTS"),
                       longText("LDLTS"), longText("YAOWTS"), longText("ZIFGTS")}}),
                false);
            t.primaryKey = key("", {"id"});
            return t;
        }(),
        {"jkpg_sjzd_ts",
         {identity("id"), text("xiangm", 20), text("zhuangt", 20), text("jib", 30),
          longText("tis")},
         key("", {"id"})},
        scores("jkpg_nl_gxb", "nianl"),
        scores("jkpg_nl_ncz", "nianl"),
        scores("jkpg_nl_tnb", "nianl"),
        scores("jkpg_sbp_gxb", "sbp_zs"),
        scores("jkpg_dbp_gxb", "dbp_zs"),
        scores("jkpg_tc_gxb", "tc_zs"),
        scores("jkpg_tzzs_gxb", "tzzs_zs"),
        scores("jkpg_tzzs_tnb", "tzzs_zs"),
        standardWeights("jkpg_lxtz_nan"),
        standardWeights("jkpg_lxtz_nv"),
    };
}

} // namespace

const ColumnDef* TableDef::column(QStringView name) const
{
    for (const ColumnDef& c : columns)
        if (name.compare(c.name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

const std::vector<TableDef>& tables()
{
    static const std::vector<TableDef> all = declaredTables();
    return all;
}

const std::vector<ViewDef>& views()
{
    // Each assessment with its person's name, sex and age; assessments whose
    // person is gone are left out.
    static const std::vector<ViewDef> all{
        {QStringLiteral("v_jkpg_jbxx"),
         {QStringLiteral("bianh"), QStringLiteral("jkpg_id"), QStringLiteral("zhuangt"),
          QStringLiteral("lurrq"), QStringLiteral("xingm"), QStringLiteral("xingb"),
          QStringLiteral("nianl")}}};
    return all;
}

const TableDef* table(QStringView name)
{
    for (const TableDef& t : tables())
        if (name.compare(t.name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

const ColumnDef* column(QStringView tableName, QStringView columnName)
{
    const TableDef* t = table(tableName);
    return t ? t->column(columnName) : nullptr;
}

} // namespace hra::store
