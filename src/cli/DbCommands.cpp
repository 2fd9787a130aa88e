#include "cli/Command.h"
#include "store/Bootstrap.h"
#include "store/Connection.h"
#include "store/Operators.h"
#include "store/Settings.h"
#include "store/Sql.h"

#include <QFileInfo>
#include <QTextStream>

namespace hra::cli {

QString iniPathFrom(const Arguments& args)
{
    bool given = false;
    const QString path = args.value(QStringLiteral("ini"), &given);
    return given ? QFileInfo(path).absoluteFilePath() : store::defaultIniPath();
}

std::optional<store::ConnectionSettings> settingsFrom(const Arguments& args)
{
    const store::LoadedSettings loaded = store::loadSettings(iniPathFrom(args));
    QTextStream err(stderr);
    if (!loaded.warning.isEmpty())
        err << "warning: " << loaded.warning << '\n';
    if (!loaded.unknownDriver.isEmpty()) {
        err << "error: unknown driver \"" << loaded.unknownDriver
            << "\" in the configuration; use sqlite, postgres or mssql\n";
        return std::nullopt;
    }
    return loaded.settings;
}

std::unique_ptr<store::Connection> connectFrom(const Arguments& args)
{
    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return nullptr;
    QString error;
    auto connection = store::Connection::open(*settings, &error);
    if (!connection)
        QTextStream(stderr) << "error: cannot connect to the database: " << error << '\n';
    return connection;
}

namespace {

int connectionStringCommand(const QStringList& raw)
{
    const Arguments args(raw);
    if (!args.unknown({QStringLiteral("ini")}, {}).isEmpty()) {
        QTextStream(stderr) << "usage: hra-cli db connection-string [--ini FILE]\n";
        return 2;
    }
    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return 1;
    QTextStream(stdout) << store::connectionString(*settings) << '\n';
    return 0;
}

int initCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    if (!args.unknown({QStringLiteral("ini")},
                      {QStringLiteral("demo"), QStringLiteral("force"), QStringLiteral("if-empty")})
             .isEmpty()) {
        err << "usage: hra-cli db init [--ini FILE] [--demo] [--force | --if-empty]\n";
        return 2;
    }
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        if (args.flag(QStringLiteral("if-empty")) && !connection->isEmpty()) {
            QTextStream(stdout) << "database already initialised; left as it is\n";
            return 0;
        }
        const store::InitResult result =
            store::initializeDatabase(*connection, {.demo = args.flag(QStringLiteral("demo")),
                                                    .force = args.flag(QStringLiteral("force"))});
        QTextStream out(stdout);
        out << "database initialised (" << store::driverName(connection->settings().driver) << ")\n";
        out << "manager code: " << store::kManagerCode << '\n';
        out << "manager password: " << result.managerPassword << '\n';
        if (!args.flag(QStringLiteral("demo")))
            out << "this password is shown only now; write it down\n";
    } catch (const store::DatabaseError& e) {
        err << "database initialisation failed: " << e.message() << '\n';
        return 1;
    }
    return 0;
}

} // namespace

std::vector<Command> dbCommands()
{
    return {
        {{QStringLiteral("db"), QStringLiteral("connection-string")},
         QStringLiteral("[--ini FILE]"),
         connectionStringCommand},
        {{QStringLiteral("db"), QStringLiteral("init")},
         QStringLiteral("[--ini FILE] [--demo] [--force | --if-empty]"),
         initCommand},
    };
}

} // namespace hra::cli
