#include "app/Startup.h"

#include "store/Bootstrap.h"
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

DatabaseOpening openDatabase(const QString& iniPath)
{
    DatabaseOpening result;
    const store::LoadedSettings loaded = store::loadSettings(iniPath);
    if (!loaded.warning.isEmpty())
        qCWarning(store::lcStore).noquote() << loaded.warning;
    if (!loaded.unknownDriver.isEmpty())
        qCWarning(store::lcStore).noquote() << loaded.unknownDriverMessage();
    if (!loaded.badPort.isEmpty())
        qCWarning(store::lcStore).noquote() << "port" << loaded.badPort << "is no port number; the usual port is used";
    result.connection = store::Connection::open(loaded.settings, &result.error);
    if (!result.connection)
        return result;
    try {
        if (needsFirstRunSetup(*result.connection))
            result.newManagerPassword =
                store::initializeDatabase(*result.connection, {}).managerPassword;
    } catch (const store::DatabaseError& e) {
        result.error = e.message();
        result.connection.reset();
    }
    return result;
}

} // namespace hra::app
