#include "report/CentreSettings.h"

#include "store/Connection.h"
#include "store/Sql.h"

namespace hra::report {

Centre loadCentre(const store::Connection& connection)
{
    store::Sql sql = connection.sql();
    const store::Rows rows = sql.select(
        connection.dialect().firstRowOnly(QStringLiteral("select danwmc, dizl from jkpg_pgzx")));
    if (rows.isEmpty())
        return {};
    return {rows.value(0, QStringLiteral("danwmc")).toString(),
            rows.value(0, QStringLiteral("dizl")).toString()};
}

CentreSave saveCentre(const store::Connection& connection, const QString& name,
                      const QString& address)
{
    const QString trimmedName = name.trimmed();
    if (trimmedName.isEmpty())
        return CentreSave::EmptyName;
    const store::Bindings values{{QStringLiteral("mc"), trimmedName},
                                 {QStringLiteral("dz"), address.trimmed()}};
    store::Sql sql = connection.sql();
    store::Transaction tx(connection.db());
    // The table holds the one row of the centre; a new database may have none yet.
    if (sql.change(QStringLiteral("update jkpg_pgzx set danwmc=:mc, dizl=:dz"), values) == 0)
        sql.run(QStringLiteral("insert into jkpg_pgzx(danwmc, dizl) values(:mc, :dz)"), values);
    sql.run(QStringLiteral("update sys_information set pinggzx=:mc"),
            {{QStringLiteral("mc"), trimmedName}});
    tx.commit();
    return CentreSave::Saved;
}

std::optional<QByteArray> loadCover(const store::Connection& connection)
{
    store::Sql sql = connection.sql();
    const store::Rows rows = sql.select(QStringLiteral("select  tup_id,beijtp  from sys_bgfm"));
    if (rows.isEmpty() || store::isNull(rows.value(0, QStringLiteral("beijtp"))))
        return std::nullopt;
    const QByteArray data = rows.value(0, QStringLiteral("beijtp")).toByteArray();
    if (data.isEmpty())
        return std::nullopt;
    return data;
}

void saveCover(const store::Connection& connection, const QByteArray& jpeg)
{
    store::Sql sql = connection.sql();
    store::Transaction tx(connection.db());
    sql.run(QStringLiteral("delete from sys_bgfm"));
    sql.run(QStringLiteral("insert into sys_bgfm(tup_id,beijtp) values(:tp,:pic)"),
            {{QStringLiteral("tp"), qint32(1)}, {QStringLiteral("pic"), jpeg}});
    tx.commit();
}

} // namespace hra::report
