#include "cli/Command.h"
#include "cli/Json.h"
#include "domain/Bootstrap.h"
#include "domain/Operators.h"
#include "store/Connection.h"
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

static bool hasIniValue(const Arguments& args)
{
    bool given = false;
    const QString path = args.value(QStringLiteral("ini"), &given);
    return !given || (!path.isEmpty() && !path.startsWith(QLatin1String("--")));
}

std::optional<store::ConnectionSettings> settingsFrom(const Arguments& args)
{
    QTextStream err(stderr);
    // "--ini" with nothing after it must not fall back to another database.
    if (!hasIniValue(args)) {
        err << "error: --ini needs the path of a configuration file\n";
        return std::nullopt;
    }
    const store::LoadedSettings loaded = store::loadSettings(iniPathFrom(args));
    if (!loaded.warning.isEmpty())
        err << "warning: " << loaded.warning << '\n';
    if (!loaded.badPort.isEmpty()) {
        err << "error: port \"" << loaded.badPort
            << "\" in the configuration is no port number (1 to 65535)\n";
        return std::nullopt;
    }
    if (!loaded.unknownDriver.isEmpty()) {
        err << "error: unknown driver \"" << loaded.unknownDriver
            << "\" in the configuration; use sqlite, postgres or mssql\n";
        return std::nullopt;
    }
    return loaded.settings;
}

std::unique_ptr<store::Connection> connectFrom(const Arguments& args,
                                               store::Connection::Missing missing)
{
    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return nullptr;
    QString error;
    auto connection = store::Connection::open(*settings, &error, QStringLiteral("hra"), missing);
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
    if (args.flag(QStringLiteral("force")) && args.flag(QStringLiteral("if-empty"))) {
        err << "error: --force and --if-empty contradict each other; give one of them\n";
        return 2;
    }
    // The one command that makes a database where there is none.
    const auto connection = connectFrom(args, store::Connection::Missing::Create);
    if (!connection)
        return 1;
    try {
        if (args.flag(QStringLiteral("if-empty")) && !connection->isEmpty()) {
            QTextStream(stdout) << "database already initialised; left as it is\n";
            return 0;
        }
        const domain::InitResult result =
            domain::initializeDatabase(*connection, {.demo = args.flag(QStringLiteral("demo")),
                                                     .force = args.flag(QStringLiteral("force"))});
        QTextStream out(stdout);
        out << "database initialised (" << store::driverName(connection->settings().driver)
            << ")\n";
        out << "manager code: " << domain::kManagerCode << '\n';
        out << "manager password: " << result.managerPassword << '\n';
        if (!args.flag(QStringLiteral("demo")))
            out << "this password is shown only now; write it down\n";
    } catch (const store::DatabaseError& e) {
        err << "database initialisation failed: " << e.message() << '\n';
        return 1;
    }
    return 0;
}

int upgradeCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    if (!args.unknown({QStringLiteral("ini")}, {}).isEmpty()) {
        err << "usage: hra-cli db upgrade [--ini FILE]\n";
        return 2;
    }
    const auto connection = connectFrom(args, store::Connection::Missing::Refuse);
    if (!connection)
        return 1;
    if (connection->isEmpty()) {
        err << "error: the database holds no tables of this program; use hra-cli db init\n";
        return 1;
    }
    try {
        const QStringList columns = domain::addMissingVersionColumns(*connection);
        const QStringList created = domain::addMissingIndexes(*connection);
        auto list = [](const QStringList& items) {
            QStringList quoted;
            for (const QString& item : items)
                quoted << jsonString(item);
            return quoted.join(QStringLiteral(", "));
        };
        QTextStream(stdout) << "{\"added_columns\": [" << list(columns)
                            << "], \"created_indexes\": [" << list(created) << "]}\n";
    } catch (const store::DatabaseError& e) {
        err << "upgrade failed: " << e.message() << '\n';
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
        {{QStringLiteral("db"), QStringLiteral("upgrade")},
         QStringLiteral("[--ini FILE]"),
         upgradeCommand},
    };
}

} // namespace hra::cli
