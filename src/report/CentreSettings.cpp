#include "report/CentreSettings.h"

#include "domain/Audit.h"
#include "store/Connection.h"
#include "store/Sql.h"

namespace hra::report {

const QStringList& centreRegions()
{
    static const QStringList texts{QStringLiteral("北方"), QStringLiteral("南方")};
    return texts;
}

const QStringList& centreAreas()
{
    static const QStringList texts{QStringLiteral("城市"), QStringLiteral("农村")};
    return texts;
}

Centre loadCentre(const store::Connection& connection)
{
    store::Sql sql = connection.sql();
    const store::Rows rows = sql.select(connection.dialect().firstRowOnly(
        QStringLiteral("select danwmc, dizl, diq, chengx from jkpg_pgzx")));
    if (rows.isEmpty())
        return {};
    return {rows.value(0, QStringLiteral("danwmc")).toString(),
            rows.value(0, QStringLiteral("dizl")).toString(),
            rows.value(0, QStringLiteral("diq")).toString(),
            rows.value(0, QStringLiteral("chengx")).toString()};
}

CentreSave saveCentre(const store::Connection& connection, const Centre& centre)
{
    const QString trimmedName = centre.name.trimmed();
    if (trimmedName.isEmpty())
        return CentreSave::EmptyName;
    const QString region = centre.region.trimmed();
    const QString area = centre.area.trimmed();
    if (!region.isEmpty() && !centreRegions().contains(region))
        return CentreSave::UnknownRegion;
    if (!area.isEmpty() && !centreAreas().contains(area))
        return CentreSave::UnknownArea;
    auto textOrNull = [](const QString& t) { return t.isEmpty() ? store::nullText() : t; };
    const store::Bindings values{{QStringLiteral("mc"), trimmedName},
                                 {QStringLiteral("dz"), centre.address.trimmed()},
                                 {QStringLiteral("dq"), textOrNull(region)},
                                 {QStringLiteral("cx"), textOrNull(area)}};
    store::Sql sql = connection.sql();
    store::Transaction tx(connection.db());
    // The table holds the one row of the centre; a new database may have none yet.
    if (sql.change(QStringLiteral("update jkpg_pgzx set danwmc=:mc, dizl=:dz, diq=:dq, chengx=:cx"),
                   values) == 0)
        sql.run(QStringLiteral("insert into jkpg_pgzx(danwmc, dizl, diq, chengx) "
                               "values(:mc, :dz, :dq, :cx)"),
                values);
    sql.run(QStringLiteral("update sys_information set pinggzx=:mc"),
            {{QStringLiteral("mc"), trimmedName}});
    domain::writeAudit(
        connection.db(),
        {domain::AuditAction::SettingsChange, {}, std::nullopt, QStringLiteral("评估中心设置")});
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
    domain::writeAudit(
        connection.db(),
        {domain::AuditAction::SettingsChange, {}, std::nullopt, QStringLiteral("报告封面设置")});
    tx.commit();
}

} // namespace hra::report
