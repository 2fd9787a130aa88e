#include "windows/shell/Startup.h"

#include "domain/Bootstrap.h"
#include "domain/Passwords.h"
#include "store/Log.h"
#include "store/SchemaCheck.h"
#include "store/Settings.h"
#include "store/Sql.h"

#include <QFileInfo>

namespace hra::app {

QString iniPathFromArguments(const QStringList& arguments)
{
    return store::iniPathFromArguments(arguments);
}

bool needsFirstRunSetup(const store::Connection& connection)
{
    return connection.settings().driver == store::Driver::Sqlite && connection.tables().isEmpty();
}

DatabaseOpening openDatabase(const QString& iniPath, const MayCreateDatabase& mayCreate)
{
    DatabaseOpening result;
    const store::LoadedSettings loaded = store::loadSettings(iniPath);
    if (!loaded.warning.isEmpty())
        qCWarning(store::lcStore).noquote() << loaded.warning;
    if (!loaded.unknownDriver.isEmpty())
        qCWarning(store::lcStore).noquote() << loaded.unknownDriverMessage();
    if (!loaded.badPort.isEmpty())
        qCWarning(store::lcStore).noquote()
            << "port" << loaded.badPort << "is no port number; the usual port is used";
    const store::ConnectionSettings& s = loaded.settings;
    if (s.driver == store::Driver::Sqlite && s.databaseFileNamed && mayCreate &&
        !QFileInfo::exists(s.databaseFile) && !mayCreate(s.databaseFile)) {
        result.error = QStringLiteral("the database file %1 does not exist").arg(s.databaseFile);
        return result;
    }
    result.connection = store::Connection::open(loaded.settings, &result.error);
    if (!result.connection)
        return result;
    try {
        if (needsFirstRunSetup(*result.connection))
            result.newManagerPassword =
                domain::initializeDatabase(*result.connection, {}).managerPassword;
        // A database of an older version lacks columns the windows read and
        // write: refused here, not found out by the first save.
        if (const auto missing = store::firstMissingColumn(result.connection->db())) {
            result.error = store::missingColumnMessage(*missing);
            result.operatorMessage =
                QStringLiteral("数据库缺少数据列 %1.%2，是旧版本的数据库。\n"
                               "请由管理员运行 hra-cli db upgrade 升级数据库后再使用。")
                    .arg(missing->table, missing->column);
            result.connection.reset();
        } else if (const QString table = store::firstMissingTable(result.connection->db());
                   !table.isEmpty()) {
            result.error = store::missingTableMessage(table);
            result.operatorMessage =
                QStringLiteral("数据库缺少数据表 %1，是旧版本的数据库。\n"
                               "请由管理员运行 hra-cli db upgrade 升级数据库后再使用。")
                    .arg(table);
            result.connection.reset();
        }
    } catch (const store::DatabaseError& e) {
        result.error = e.message();
        result.connection.reset();
    } catch (const domain::PasswordError& e) {
        result.error = QString::fromUtf8(e.what());
        result.connection.reset();
    }
    return result;
}

} // namespace hra::app
