// The schema scripts of every dialect against the declared column list. The
// SQL Server scripts never run in the tests, so this is what keeps them
// level with the others.

#include "domain/Bootstrap.h"
#include "store/Dialect.h"
#include "store/Schema.h"

#include <QRegularExpression>
#include <algorithm>
#include <gtest/gtest.h>

using namespace hra;
using store::ColumnDef;
using store::ColumnType;
using store::Driver;

namespace {

// ---- A small reader of our scripts: create table, create index and create
// view, nothing else; anything it cannot read is reported, never skipped.

struct ScriptColumn
{
    QString name;
    QString type; // lower case, as spelled: "varchar(10)", "double precision"
    bool notNull = false;
    bool primaryKey = false;
    bool identity = false;
    QString check;
};

struct ScriptTable
{
    QString name;
    std::vector<ScriptColumn> columns;
    store::KeyDef primaryKey;
    std::vector<store::KeyDef> uniqueKeys;
    std::vector<store::IndexDef> indexes;
};

struct Script
{
    std::vector<ScriptTable> tables;
    std::vector<store::ViewDef> views;
    QStringList viewStatements; // whitespace and case evened out
    QStringList unread;
};

QRegularExpression pattern(const QString& re)
{
    return QRegularExpression(re, QRegularExpression::CaseInsensitiveOption |
                                      QRegularExpression::DotMatchesEverythingOption);
}

QString evened(const QString& text)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return text.simplified().toLower().replace(blanks, QStringLiteral(" "));
}

QString unquoted(const QString& name)
{
    return name.startsWith(u'"') ? name.mid(1, name.size() - 2) : name;
}

QStringList names(const QString& list)
{
    QStringList out;
    for (const QString& n : list.split(u',', Qt::SkipEmptyParts))
        out << unquoted(n.trimmed());
    return out;
}

// Splits at the commas outside parentheses.
QStringList items(const QString& body)
{
    QStringList out;
    int depth = 0;
    QString current;
    for (QChar c : body) {
        if (c == u'(')
            ++depth;
        if (c == u')')
            --depth;
        if (c == u',' && depth == 0) {
            out << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

// The text inside the parenthesis that opens at `open`, or a null string.
QString parenthesised(const QString& text, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < text.size(); ++i) {
        if (text[i] == u'(')
            ++depth;
        if (text[i] == u')' && --depth == 0)
            return text.mid(open + 1, i - open - 1);
    }
    return {};
}

bool readColumn(const QString& item, ScriptColumn& column)
{
    static const QRegularExpression head = pattern(
        QStringLiteral("^(\"[^\"]+\"|\\w+)\\s+([a-z]+(?:\\s+precision)?(?:\\s*\\([^)]*\\))?)"));
    static const QRegularExpression flag = pattern(QStringLiteral(
        "^\\s*(not\\s+null|primary\\s+key|autoincrement|generated\\s+by\\s+default\\s+as\\s+"
        "identity|identity\\s*\\(\\s*1\\s*,\\s*1\\s*\\)|default\\s+-?\\d+|check\\s*\\()"));
    const QRegularExpressionMatch m = head.match(item);
    if (!m.hasMatch())
        return false;
    column.name = unquoted(m.captured(1));
    column.type =
        evened(m.captured(2))
            .remove(u' ')
            .replace(QStringLiteral("doubleprecision"), QStringLiteral("double precision"));
    QString rest = item.mid(m.capturedEnd());
    while (!rest.trimmed().isEmpty()) {
        const QRegularExpressionMatch f = flag.match(rest);
        if (!f.hasMatch())
            return false;
        const QString word = evened(f.captured(1));
        if (word.startsWith(QLatin1String("check"))) {
            const qsizetype open = f.capturedEnd() - 1;
            const QString inner = parenthesised(rest, open);
            column.check = evened(inner);
            rest = rest.mid(open + inner.size() + 2);
            continue;
        }
        if (word == QLatin1String("not null"))
            column.notNull = true;
        else if (word == QLatin1String("primary key"))
            column.primaryKey = true;
        // A number default (it fills a column an upgrade adds) is not declared.
        else if (!word.startsWith(QLatin1String("default")))
            column.identity = true;
        rest = rest.mid(f.capturedEnd());
    }
    return true;
}

void readTable(const QString& name, const QString& body, Script& script)
{
    static const QRegularExpression constraint = pattern(
        QStringLiteral("^(?:constraint\\s+(\\w+)\\s+)?(primary\\s+key|unique)\\s*\\(([^)]*)\\)$"));
    ScriptTable table{name.toLower(), {}, {}, {}, {}};
    for (const QString& item : items(body)) {
        const QRegularExpressionMatch c = constraint.match(item);
        if (c.hasMatch()) {
            const store::KeyDef key{c.captured(1), names(c.captured(3))};
            if (evened(c.captured(2)) == QLatin1String("unique"))
                table.uniqueKeys.push_back(key);
            else
                table.primaryKey = key;
            continue;
        }
        ScriptColumn column;
        if (!readColumn(item, column)) {
            script.unread << name + QStringLiteral(": ") + item;
            continue;
        }
        if (column.primaryKey)
            table.primaryKey = {QString(), {column.name}};
        table.columns.push_back(column);
    }
    script.tables.push_back(table);
}

Script readStatements(const QStringList& statements)
{
    static const QRegularExpression createTable =
        pattern(QStringLiteral("^create\\s+table\\s+(\\w+)\\s*\\((.*)\\)$"));
    static const QRegularExpression createIndex =
        pattern(QStringLiteral("^create\\s+index\\s+(\\w+)\\s+on\\s+(\\w+)\\s*\\(([^)]*)\\)$"));
    static const QRegularExpression createView =
        pattern(QStringLiteral("^create\\s+view\\s+(\\w+)\\s+as\\s+select\\s+(.*?)\\s+from\\s"));
    Script script;
    for (const QString& statement : statements) {
        QRegularExpressionMatch m = createTable.match(statement);
        if (m.hasMatch()) {
            readTable(m.captured(1), m.captured(2), script);
            continue;
        }
        m = createIndex.match(statement);
        if (m.hasMatch()) {
            const QString table = m.captured(2).toLower();
            auto it = std::find_if(script.tables.begin(), script.tables.end(),
                                   [&](const ScriptTable& t) { return t.name == table; });
            if (it == script.tables.end())
                script.unread << QStringLiteral("index on a table not created before: ") +
                                     statement;
            else
                it->indexes.push_back({m.captured(1), names(m.captured(3))});
            continue;
        }
        m = createView.match(statement);
        if (m.hasMatch()) {
            QStringList columns;
            for (const QString& expression : items(m.captured(2)))
                columns << expression.section(u'.', -1).section(u' ', -1);
            script.views.push_back({m.captured(1).toLower(), columns});
            script.viewStatements << evened(statement);
            continue;
        }
        script.unread << statement;
    }
    return script;
}

QStringList statementsOf(Driver driver)
{
    QStringList statements;
    for (const QString& resource : store::Dialect(driver).schemaResources())
        statements << domain::scriptStatements(resource);
    return statements;
}

Script readScripts(Driver driver)
{
    return readStatements(statementsOf(driver));
}

// ---- What each dialect calls the declared types.

QString spelled(const ColumnDef& c, Driver d)
{
    const bool sqlite = d == Driver::Sqlite;
    const bool mssql = d == Driver::Mssql;
    const QString w = QString::number(c.width);
    switch (c.type) {
    case ColumnType::Text:
        return (mssql ? "nvarchar(" : "varchar(") + w + u')';
    case ColumnType::FixedText:
        return (mssql ? "nchar(" : "char(") + w + u')';
    case ColumnType::LongText:
        return mssql ? "nvarchar(max)" : "text";
    case ColumnType::Integer:
        // SQLite: "int" keeps a key from becoming the row number.
        return d == Driver::Postgres ? "integer" : "int";
    case ColumnType::Identity:
        return mssql ? "int" : "integer";
    case ColumnType::Decimal:
        return QStringLiteral("%1(%2,%3)").arg(mssql ? "decimal" : "numeric", w).arg(c.scale);
    case ColumnType::Float:
        return sqlite ? "real" : mssql ? "float" : "double precision";
    case ColumnType::DateTime:
        return d == Driver::Postgres ? "timestamp" : "datetime";
    case ColumnType::Binary:
        return sqlite ? "blob" : mssql ? "varbinary(max)" : "bytea";
    }
    return {};
}

QString keyText(const store::KeyDef& k)
{
    return k.name + u'(' + k.columns.join(u',') + u')';
}

template <typename List> QStringList keyTexts(const List& keys)
{
    QStringList out;
    for (const auto& k : keys)
        out << keyText({k.name, k.columns});
    return out;
}

// Every way a dialect's scripts differ from the declared list.
QStringList differences(Driver driver, const Script& script)
{
    const QString d = store::driverName(driver);
    QStringList out;
    for (const QString& u : script.unread)
        out << d + QStringLiteral(": cannot read ") + u;

    QStringList declared, created;
    for (const store::TableDef& t : store::tables())
        declared << t.name;
    for (const ScriptTable& t : script.tables)
        created << t.name;
    if (created != declared)
        out << d + QStringLiteral(": creates the tables ") + created.join(u' ') +
                   QStringLiteral(", the list declares ") + declared.join(u' ');

    for (const ScriptTable& t : script.tables) {
        const store::TableDef* declared = store::table(t.name);
        if (!declared)
            continue;
        const QString where = d + QStringLiteral(": ") + t.name;
        QStringList scriptColumns, listColumns;
        for (const ScriptColumn& c : t.columns)
            scriptColumns << c.name;
        for (const ColumnDef& c : declared->columns)
            listColumns << c.name;
        if (scriptColumns != listColumns)
            out << where + QStringLiteral(" has the columns ") + scriptColumns.join(u' ') +
                       QStringLiteral(", the list ") + listColumns.join(u' ');
        for (const ScriptColumn& c : t.columns) {
            const ColumnDef* s = declared->column(c.name);
            if (!s)
                continue;
            const QString col = where + u'.' + c.name;
            if (c.type != spelled(*s, driver))
                out << col + QStringLiteral(" is ") + c.type + QStringLiteral(", the list says ") +
                           spelled(*s, driver);
            if (c.identity != (s->type == ColumnType::Identity))
                out << col + (c.identity ? QStringLiteral(" is numbered by the database")
                                         : QStringLiteral(" is not numbered by the database"));
            // The servers keep NULL out of a primary key; SQLite only out of
            // a numbered one.
            const bool keyed = driver != Driver::Sqlite && t.primaryKey.columns.contains(c.name);
            const bool nullable = !c.notNull && !c.identity && !keyed;
            if (nullable != s->nullable)
                out << col + (nullable ? QStringLiteral(" takes NULL, the list says not")
                                       : QStringLiteral(" refuses NULL, the list takes it"));
        }
        if (keyText(t.primaryKey) != keyText(declared->primaryKey) &&
            !(t.primaryKey.columns.isEmpty() && declared->primaryKey.columns.isEmpty()))
            out << where + QStringLiteral(" has the primary key ") + keyText(t.primaryKey) +
                       QStringLiteral(", the list ") + keyText(declared->primaryKey);
        if (keyTexts(t.uniqueKeys) != keyTexts(declared->uniqueKeys))
            out << where + QStringLiteral(" has the unique keys ") +
                       keyTexts(t.uniqueKeys).join(u' ') + QStringLiteral(", the list ") +
                       keyTexts(declared->uniqueKeys).join(u' ');
        if (keyTexts(t.indexes) != keyTexts(declared->indexes))
            out << where + QStringLiteral(" has the indexes ") + keyTexts(t.indexes).join(u' ') +
                       QStringLiteral(", the list ") + keyTexts(declared->indexes).join(u' ');
    }
    return out;
}

// ---- SQLite keeps any value in any column; each column's CHECK must refuse
// what the servers' types refuse.

QStringList typeofSet(const QString& check, const QString& column)
{
    const QRegularExpression re =
        pattern(QStringLiteral("typeof\\(%1\\)\\s*(?:=\\s*'(\\w+)'|in\\s*\\(([^)]*)\\))")
                    .arg(QRegularExpression::escape(column)));
    const QRegularExpressionMatch m = re.match(check);
    if (!m.hasMatch())
        return {};
    QStringList types = m.captured(1).isEmpty() ? names(m.captured(2)) : QStringList{m.captured(1)};
    for (QString& t : types)
        t.remove(u'\'');
    types.removeAll(QStringLiteral("null"));
    types.sort();
    return types;
}

QString guardProblem(const ColumnDef& declared, const ScriptColumn& column)
{
    // The check is read in lower case; a name of digits is quoted.
    const QString name =
        column.name.front().isDigit() ? u'"' + column.name + u'"' : column.name.toLower();
    const QString& check = column.check;
    const auto has = [&](const QString& text) { return check.contains(text); };
    switch (declared.type) {
    case ColumnType::Text:
    case ColumnType::FixedText:
        if (!has(QStringLiteral("length(%1) <= %2").arg(name).arg(declared.width)))
            return QStringLiteral("no check that it is at most %1 long").arg(declared.width);
        break;
    case ColumnType::Integer:
        if (typeofSet(check, name) != QStringList{"integer"} ||
            !has(name + QStringLiteral(" between -2147483648 and 2147483647")))
            return QStringLiteral("no check that it is a 32-bit integer");
        break;
    case ColumnType::Decimal:
    case ColumnType::Float:
        if (typeofSet(check, name) != QStringList{"integer", "real"})
            return QStringLiteral("no check that it is a number");
        break;
    case ColumnType::DateTime:
        if (!has(QStringLiteral("typeof(%1) = 'text'").arg(name)) ||
            !has(QStringLiteral("julianday(%1) is not null").arg(name)))
            return QStringLiteral("no check that it is a date-time");
        break;
    case ColumnType::Binary:
        if (typeofSet(check, name) != QStringList{"blob"})
            return QStringLiteral("no check that it is a picture");
        break;
    case ColumnType::LongText:
    case ColumnType::Identity:
        break;
    }
    return {};
}

QStringList guardProblems(const Script& script)
{
    QStringList problems;
    for (const ScriptTable& t : script.tables)
        for (const ScriptColumn& c : t.columns)
            if (const ColumnDef* declared = store::column(t.name, c.name)) {
                const QString problem = guardProblem(*declared, c);
                if (!problem.isEmpty())
                    problems << t.name + u'.' + c.name + QStringLiteral(": ") + problem +
                                    QStringLiteral(" (") + c.check + u')';
            }
    return problems;
}

std::string listed(const QStringList& lines)
{
    return (u'\n' + lines.join(u'\n')).toStdString();
}

} // namespace

TEST(ColumnList, EveryDialectsScriptsCreateTheDeclaredTables)
{
    for (Driver driver : {Driver::Sqlite, Driver::Postgres, Driver::Mssql}) {
        const Script script = readScripts(driver);
        EXPECT_EQ(script.tables.size(), store::tables().size());
        const QStringList found = differences(driver, script);
        EXPECT_TRUE(found.isEmpty()) << listed(found);
    }
}

TEST(ColumnList, SqliteChecksEachColumnAsTheServersTypesDo)
{
    const QStringList problems = guardProblems(readScripts(Driver::Sqlite));
    EXPECT_TRUE(problems.isEmpty()) << listed(problems);

    // A check that no longer matches its column's type is noticed.
    const struct
    {
        const char* from;
        const char* to;
    } drifts[] = {
        {"zufsbl   varchar(20) check (length(zufsbl) <= 20)",
         "zufsbl   varchar(20) check (length(zufsbl) <= 30)"},
        {"typeof(tiz) in ('integer', 'real', 'null')",
         "typeof(tiz) in ('integer', 'real', 'text', 'null')"},
        {"xingb   varchar(2) check (length(xingb) <= 2)",
         "xingb   varchar(2) check (length(xingm) <= 2)"},
        {"lurrq   datetime check (lurrq is null or (typeof(lurrq) = 'text' and julianday(lurrq) "
         "is not null)),\n    zhaop",
         "lurrq   datetime,\n    zhaop"},
    };
    for (const auto& d : drifts) {
        SCOPED_TRACE(d.to);
        QStringList statements = statementsOf(Driver::Sqlite);
        for (QString& statement : statements)
            statement.replace(QString::fromUtf8(d.from), QString::fromUtf8(d.to));
        EXPECT_EQ(guardProblems(readStatements(statements)).size(), 1);
    }
}

TEST(ColumnList, TheViewIsTheSameInEveryDialect)
{
    const Script sqlite = readScripts(Driver::Sqlite);
    ASSERT_EQ(sqlite.views.size(), store::views().size());
    for (size_t i = 0; i < sqlite.views.size(); ++i) {
        EXPECT_EQ(sqlite.views[i].name, store::views()[i].name);
        EXPECT_EQ(sqlite.views[i].columns, store::views()[i].columns);
    }
    for (Driver driver : {Driver::Postgres, Driver::Mssql})
        EXPECT_EQ(readScripts(driver).viewStatements, sqlite.viewStatements)
            << store::driverName(driver).toStdString();
}

// The check has to notice drift: a script that differs from the list in any
// of the ways it compares is reported once (a clause the reader does not know
// also leaves its column out).
TEST(ColumnList, ADriftingScriptIsReported)
{
    const struct
    {
        const char* what;
        const char* from;
        const char* to;
        const char* reported;
        int lines = 1;
    } cases[] = {
        {"wider text", "zufsbl   nvarchar(20)", "zufsbl   nvarchar(30)",
         "jkpg_ssyy.zufsbl is nvarchar(30), the list says nvarchar(20)"},
        {"other type", "tiz       float", "tiz       decimal(18,2)",
         "jkpg_tgjc.tiz is decimal(18,2), the list says float"},
        {"NULL allowed", "bianh   nvarchar(10) not null,\n    cis",
         "bianh   nvarchar(10),\n    cis", "jkpg_id.bianh takes NULL"},
        {"column missing", "    shuimsj   nvarchar(20),\n", "", "jkpg_shfs has the columns"},
        {"key missing", ",\n    constraint uq_jkpg_ydfs_assessment unique (jkpg_id, bianh)", "",
         "jkpg_ydfs has the unique keys"},
        {"clause not understood", "jib nvarchar(30),", "jib nvarchar(30) default '',",
         "cannot read jkpg_sjzd_ts: jib nvarchar(30) default ''", 2},
        {"index on another column", "ix_jkpg_id_lurrq on jkpg_id (lurrq, jkpg_id)",
         "ix_jkpg_id_lurrq on jkpg_id (zhuangt, jkpg_id)", "jkpg_id has the indexes"},
        {"numbering lost", "id int identity(1,1) primary key,\n    xiangm",
         "id int primary key,\n    xiangm", "jkpg_sjzd_ts.id is not numbered by the database"},
        {"key of another column", "primary key (jkpg_id)", "primary key (bianh)",
         "jkpg_id has the primary key pk_jkpg_id(bianh), the list pk_jkpg_id(jkpg_id)"},
    };
    const QStringList original = statementsOf(Driver::Mssql);
    ASSERT_TRUE(differences(Driver::Mssql, readStatements(original)).isEmpty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList changed = original;
        int statementsChanged = 0;
        for (QString& statement : changed) {
            const QString before = statement;
            statement.replace(QString::fromUtf8(c.from), QString::fromUtf8(c.to));
            statementsChanged += statement != before ? 1 : 0;
        }
        ASSERT_EQ(statementsChanged, 1) << c.from;
        const QStringList found = differences(Driver::Mssql, readStatements(changed));
        ASSERT_EQ(found.size(), c.lines) << listed(found);
        EXPECT_TRUE(found[0].contains(QString::fromUtf8(c.reported))) << found[0].toStdString();
    }
}
