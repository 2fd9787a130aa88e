#include "domain/PersonRecords.h"

#include "domain/Assessment.h"
#include "domain/Audit.h"
#include "domain/PersonPhotos.h"
#include "store/Dialect.h"
#include "store/Schema.h"
#include "store/Sql.h"

#include <QSqlField>
#include <QSqlRecord>
#include <stdexcept>

namespace hra::domain {

QString unknownRecordMessage(const QString& recordNumber)
{
    return QStringLiteral("没有编号为“%1”的档案!").arg(recordNumber);
}

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

QString personValueProblem(PersonFormPurpose purpose, const QString& column, const QVariant& value,
                           bool withCaption)
{
    // Built once: a group import asks for every field of every row.
    static const FormDeclaration create = personForm(PersonFormPurpose::Create);
    static const FormDeclaration modify = personForm(PersonFormPurpose::Modify);
    const FormDeclaration& form = purpose == PersonFormPurpose::Create ? create : modify;
    const FieldDeclaration* field = form.field(column);
    const store::ColumnDef* def = store::column(u"jkpg_jbxx", column);
    if (!field || !def)
        throw std::logic_error("the person form has no field " + column.toStdString());
    const ValueProblem problem = checkValue(*field, *def, value);
    if (problem == ValueProblem::Missing)
        return field->requiredMessage;
    if (problem != ValueProblem::None)
        return (withCaption ? field->caption : QString()) +
               valueProblemText(problem, *field, *def, value);
    const QString text = value.toString();
    if (column == QLatin1String("xingb") && !text.isEmpty() && !field->options.contains(text))
        return QStringLiteral("性别只能是“男”或“女”");
    return QString();
}

QString nextRecordNumber(const QSqlDatabase& db)
{
    // Numbers are compared as numbers: "99" comes before "100" though not as text.
    const store::Rows rows = store::select(db, QStringLiteral("select bianh from jkpg_jbxx"));
    QString highest;
    qulonglong value = 0;
    for (const QVariantList& row : rows.rows) {
        const QString number = row.value(0).toString().trimmed();
        bool digits = !number.isEmpty();
        for (const QChar c : number)
            digits = digits && c >= u'0' && c <= u'9';
        const qulonglong n = digits ? number.toULongLong() : 0;
        if (digits && (highest.isEmpty() || n > value)) {
            highest = number;
            value = n;
        }
    }
    const int width = highest.isEmpty() ? 10 : int(highest.size());
    return QStringLiteral("%1").arg(value + 1, width, 10, QLatin1Char('0'));
}

QString addPerson(const QSqlDatabase& db, const QDateTime& serverNow, const QVariantMap& values)
{
    const FormDeclaration form = personForm(PersonFormPurpose::Create);
    for (auto it = values.begin(); it != values.end(); ++it)
        if (!form.field(it.key()))
            throw std::logic_error("the person form has no field " + it.key().toStdString());
    for (const FieldDeclaration* field : form.fields()) {
        const QString problem = personValueProblem(PersonFormPurpose::Create, field->column,
                                                   values.value(field->column));
        if (!problem.isEmpty())
            return problem;
    }
    const QString duplicate = QStringLiteral("保存不成功,编号重复或非法!");
    const QString number = values.value(QStringLiteral("bianh")).toString().trimmed();
    if (findPerson(db, number))
        return duplicate;
    store::RowBuffer row = personBuffer();
    row.startNew(db);
    for (auto it = values.begin(); it != values.end(); ++it)
        row.setValue(it.key(),
                     store::isNull(it.value()) || it.value().toString().isEmpty()
                         ? (it.key() == QLatin1String("nianl") ? QVariant() : store::nullText())
                         : it.value());
    row.setValue(QStringLiteral("bianh"), number);
    row.beforeStore = [&serverNow](QVariantMap& stored) { applyNewPersonRules(stored, serverNow); };
    try {
        store::Transaction tx(db);
        row.store(db);
        writeAudit(db, {AuditAction::Create, number, std::nullopt, QStringLiteral("档案")});
        tx.commit();
    } catch (const store::ConnectionLostError&) {
        throw;
    } catch (const store::DatabaseError&) {
        // Another workstation took the number meanwhile.
        if (findPerson(db, number))
            return duplicate;
        throw;
    }
    return QString();
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
    QString sql = QStringLiteral("select count(*) from jkpg_jbxx where 1 = 1");
    store::Bindings bindings;
    if (!m_number.isEmpty()) {
        sql += QStringLiteral(" and bianh = :bh");
        bindings.push_back({QStringLiteral("bh"), m_number});
    }
    if (!m_unit.isEmpty()) {
        sql += QStringLiteral(" and gongzdw = :unit");
        bindings.push_back({QStringLiteral("unit"), m_unit});
    }
    return store::scalar(db, sql, bindings).toInt();
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
    if (!m_unit.isEmpty()) {
        sql += QStringLiteral(" and gongzdw = :unit");
        bindings.push_back({QStringLiteral("unit"), m_unit});
    }
    if (after) {
        sql += QStringLiteral(" and bianh > :after");
        bindings.push_back({QStringLiteral("after"), *after});
    }
    sql += QStringLiteral(" order by bianh");
    return store::select(db, store::Dialect::of(db).firstRows(sql, limit), bindings).rows;
}

void storePerson(const QSqlDatabase& db, store::RowBuffer& row)
{
    const bool isNew = row.state() == store::RowBuffer::State::New;
    store::Transaction tx(db);
    row.store(db);
    writeAudit(db, {isNew ? AuditAction::Create : AuditAction::Modify,
                    row.value(QStringLiteral("bianh")).toString().trimmed(), std::nullopt,
                    QStringLiteral("档案")});
    tx.commit();
}

bool deletePerson(const QSqlDatabase& db, const QString& recordNumber, std::optional<int> version)
{
    store::Transaction tx(db);
    const bool deleted =
        version
            ? store::run(db,
                         QStringLiteral("delete from jkpg_jbxx where bianh = :bh and banb = :v"),
                         {{"bh", recordNumber}, {"v", *version}})
                      .numRowsAffected() > 0
            : store::run(db, QStringLiteral("delete from jkpg_jbxx where bianh = :bh"),
                         {{"bh", recordNumber}})
                      .numRowsAffected() > 0;
    if (!deleted) {
        if (!version)
            return false;
        const bool gone =
            store::scalar(db, QStringLiteral("select count(*) from jkpg_jbxx where bianh = :bh"),
                          {{"bh", recordNumber}})
                .toInt() == 0;
        throw store::StaleRowError(QStringLiteral("jkpg_jbxx"), gone);
    }
    writeAudit(db, {AuditAction::Delete, recordNumber, std::nullopt, QStringLiteral("档案")});
    tx.commit();
    return true;
}

int assessmentCount(const QSqlDatabase& db, const QString& recordNumber)
{
    return store::scalar(db, QStringLiteral("select count(*) from jkpg_id where bianh = :bh"),
                         {{QStringLiteral("bh"), recordNumber}})
        .toInt();
}

bool deletePersonWithAssessments(const QSqlDatabase& db, const QString& recordNumber)
{
    static const char* const tables[] = {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs",
                                         "jkpg_shfs", "jkpg_tgjc", "jkpg_id"};
    store::Transaction tx(db);
    for (const char* table : tables)
        store::run(db, QStringLiteral("delete from %1 where bianh = :bh").arg(QLatin1String(table)),
                   {{"bh", recordNumber}});
    if (!deletePerson(db, recordNumber))
        return false; // rolled back
    tx.commit();
    return true;
}

QString renumberProblem(const QSqlDatabase& db, const QString& oldNumber, const QString& newNumber)
{
    const QString wanted = newNumber.trimmed();
    if (wanted.isEmpty())
        return QStringLiteral("请输入新编号!");
    if (wanted == oldNumber.trimmed())
        return QStringLiteral("新编号与原编号相同!");
    if (const std::optional<PersonSummary> holder = findPerson(db, wanted))
        return QStringLiteral("编号“%1”已是“%2”的档案编号,请换一个编号!").arg(wanted, holder->name);
    return QString();
}

void renumberPerson(const QSqlDatabase& db, const QString& oldNumber, const QString& newNumber)
{
    static const char* const tables[] = {"jkpg_mqzk", "jkpg_ssyy", "jkpg_ydfs", "jkpg_shfs",
                                         "jkpg_tgjc", "jkpg_id",   "jkpg_jbxx"};
    store::Transaction tx(db);
    // The photo stays in the person row; its name follows the new number.
    const QString photo =
        store::scalar(db, QStringLiteral("select zhaop from jkpg_jbxx where bianh = :bh"),
                      {{"bh", oldNumber}})
            .toString();
    if (photo.startsWith(oldNumber + u'.'))
        store::run(db, QStringLiteral("update jkpg_jbxx set zhaop = :name where bianh = :bh"),
                   {{"name", photoName(newNumber, photo, photoNameWidth(db))}, {"bh", oldNumber}});
    for (const char* table : tables)
        store::run(db,
                   QStringLiteral("update %1 set bianh = :newbh where bianh = :bh")
                       .arg(QLatin1String(table)),
                   {{"newbh", newNumber}, {"bh", oldNumber}});
    // Kept under the new number, where the person's later entries go.
    writeAudit(db, {AuditAction::Renumber, newNumber, std::nullopt,
                    QStringLiteral("%1 → %2").arg(oldNumber, newNumber)});
    tx.commit();
}

} // namespace hra::domain
