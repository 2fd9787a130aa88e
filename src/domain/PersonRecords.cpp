#include "domain/PersonRecords.h"

#include "store/Dialect.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QSqlField>
#include <QSqlRecord>
#include <stdexcept>

namespace hra::domain {

store::RowBuffer personBuffer()
{
    return store::RowBuffer(QStringLiteral("jkpg_jbxx"), {QStringLiteral("bianh")});
}

FormDeclaration personForm(PersonFormPurpose purpose)
{
    // A stored value of the two occupations the modify window leaves out is
    // still shown and kept there.
    static const QStringList occupations{"脑力劳动", "体力劳动", "公司职员", "机关干部", "教师",
                                         "技术人员", "工人",     "农民",     "待业",     "离退休",
                                         "金融",     "医疗人员", "其它"};
    const bool modify = purpose == PersonFormPurpose::Modify;
    return {
        .table = QStringLiteral("jkpg_jbxx"),
        .sections =
            {{.name = QStringLiteral("basicGroup"),
              .caption = QStringLiteral("基本信息"),
              .columns = 2,
              .fields = {{.column = "bianh",
                          .caption = "档案编号",
                          .requiredMessage = modify ? "" : "档案编号不能为空!",
                          .readOnly = modify},
                         {.column = "xingm", .caption = "姓名", .requiredMessage = "姓名不能为空!"},
                         {.column = "xingb",
                          .caption = "性别",
                          .kind = ControlKind::Choice,
                          .options = {"男", "女"},
                          .requiredMessage = "性别不能为空!"},
                         {.column = "nianl",
                          .caption = "年龄",
                          .kind = ControlKind::Number,
                          .requiredMessage = "年龄不能为空!",
                          .range = NumberRange{0, 150, true}}}},
             {.name = QStringLiteral("optionalGroup"),
              .caption = QStringLiteral("选填信息"),
              .columns = 2,
              .fields = {{.column = "shenfzh", .caption = "身份证号"},
                         {.column = "minz",
                          .caption = "民族",
                          .kind = ControlKind::Choice,
                          .options = {"汉族", "回族", "蒙古族", "藏族", "维吾尔族", "壮族",
                                      "高山族"}},
                         {.column = "zhiy",
                          .caption = "职业",
                          .kind = ControlKind::Choice,
                          .options = modify ? occupations.mid(2) : occupations},
                         {.column = "hunyzk",
                          .caption = "婚姻状况",
                          .kind = ControlKind::Choice,
                          .options = {"未婚", "已婚", "离异", "丧偶", "其它"}},
                         {.column = "wenhcd",
                          .caption = "文化程度",
                          .kind = ControlKind::Choice,
                          .options = {"文盲", "小学", "中学", "大专", "本科", "本科以上"}},
                         {.column = "lianxfs", .caption = "联系方式"},
                         {.column = "gongzdw", .caption = "工作单位", .wide = true},
                         {.column = "tongxdz", .caption = "通讯地址", .wide = true},
                         {.column = "youj", .caption = "电子邮件", .wide = true}}}},
        .requiredCaption = QStringLiteral("出错提示"),
    };
}

void applyNewPersonRules(QVariantMap& row, const QDateTime& serverNow)
{
    row.insert(QStringLiteral("lurrq"), serverNow);
    const QString sex = row.value(QStringLiteral("xingb")).toString();
    if (sex == QStringLiteral("男"))
        row.insert(QStringLiteral("zunc"), QStringLiteral("先生"));
    else if (sex == QStringLiteral("女"))
        row.insert(QStringLiteral("zunc"), QStringLiteral("女士"));
}

int photoNameWidth(const QSqlDatabase& db)
{
    // Drivers that do not report a width (SQLite) have our own schema's.
    const int width =
        db.record(QStringLiteral("jkpg_jbxx")).field(QStringLiteral("zhaop")).length();
    return width > 0 ? width : store::column(u"jkpg_jbxx", u"zhaop")->width;
}

PersonListing::PersonListing(const QString& recordNumber, QStringList columns)
    : m_number(recordNumber.trimmed()), m_columns(std::move(columns))
{
    // Column names become statement text: only declared ones.
    for (const QString& name : m_columns)
        if (!store::column(u"jkpg_jbxx", name))
            throw std::logic_error("jkpg_jbxx has no column " + name.toStdString());
    m_key = int(m_columns.indexOf(QStringLiteral("bianh")));
    if (m_key < 0) {
        m_key = int(m_columns.size());
        m_columns << QStringLiteral("bianh");
    }
}

int PersonListing::count(const QSqlDatabase& db) const
{
    if (m_number.isEmpty())
        return store::scalar(db, QStringLiteral("select count(*) from jkpg_jbxx")).toInt();
    return store::scalar(db, QStringLiteral("select count(*) from jkpg_jbxx where bianh = :bh"),
                         {{QStringLiteral("bh"), m_number}})
        .toInt();
}

QList<QVariantList> PersonListing::page(const QSqlDatabase& db, const std::optional<QString>& after,
                                        int limit) const
{
    QString sql = QStringLiteral("select %1 from jkpg_jbxx where 1 = 1")
                      .arg(m_columns.join(QStringLiteral(", ")));
    store::Bindings bindings;
    if (!m_number.isEmpty()) {
        sql += QStringLiteral(" and bianh = :bh");
        bindings.push_back({QStringLiteral("bh"), m_number});
    }
    if (after) {
        sql += QStringLiteral(" and bianh > :after");
        bindings.push_back({QStringLiteral("after"), *after});
    }
    sql += QStringLiteral(" order by bianh");
    return store::select(db, store::Dialect::of(db).firstRows(sql, limit), bindings).rows;
}

bool deletePerson(const QSqlDatabase& db, const QString& recordNumber, std::optional<int> version)
{
    if (!version)
        return store::run(db, QStringLiteral("delete from jkpg_jbxx where bianh = :bh"),
                          {{"bh", recordNumber}})
                   .numRowsAffected() > 0;
    if (store::run(db, QStringLiteral("delete from jkpg_jbxx where bianh = :bh and banb = :v"),
                   {{"bh", recordNumber}, {"v", *version}})
            .numRowsAffected() > 0)
        return true;
    const bool gone =
        store::scalar(db, QStringLiteral("select count(*) from jkpg_jbxx where bianh = :bh"),
                      {{"bh", recordNumber}})
            .toInt() == 0;
    throw store::StaleRowError(QStringLiteral("jkpg_jbxx"), gone);
}

void renumberPerson(const QSqlDatabase& db, const QString& oldNumber, const QString& newNumber)
{
    static const char* const tables[] = {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs",
                                         "jkpg_tgjc", "jkpg_id",   "jkpg_jbxx"};
    store::Transaction tx(db);
    for (const char* table : tables)
        store::run(db,
                   QStringLiteral("update %1 set bianh = :newbh where bianh = :bh")
                       .arg(QLatin1String(table)),
                   {{"newbh", newNumber}, {"bh", oldNumber}});
    tx.commit();
}

} // namespace hra::domain
