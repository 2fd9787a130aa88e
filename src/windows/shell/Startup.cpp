#include "windows/shell/Startup.h"

#include "domain/Bootstrap.h"
#include "domain/Passwords.h"
#include "store/Log.h"
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
