#include "cli/Command.h"
#include "cli/Json.h"
#include "domain/Bootstrap.h"
#include "domain/Operators.h"
#include "domain/Passwords.h"
#include "store/Connection.h"
#include "store/PrivateFiles.h"
#include "store/SchemaCheck.h"
#include "store/Settings.h"
#include "store/Sql.h"

#include <QFile>
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
    const QString iniPath = iniPathFrom(args);
    // A pipe or a device would block or never end; a file of another kind
    // would silently give the defaults, which name another server.
    if (QFileInfo::exists(iniPath)) {
        if (const QString refused = store::sourceRefusal(iniPath); !refused.isEmpty()) {
            err << "error: the configuration file " << refused << '\n';
            return std::nullopt;
        }
        QFile ini(iniPath);
        const QByteArray head = ini.open(QIODevice::ReadOnly) ? ini.read(1 << 20) : QByteArray();
        if (head.contains('\0') || !head.toLower().contains("[data]")) {
            err << "error: " << iniPath
                << " is not a configuration file of this program (it has no [data] section)\n";
            return std::nullopt;
        }
    }
    const store::LoadedSettings loaded = store::loadSettings(iniPath);
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

std::unique_ptr<store::Connection> connectTo(const store::ConnectionSettings& settings,
                                             store::Connection::Missing missing, bool wholeSchema)
{
    QString error;
    auto connection = store::Connection::open(settings, &error, QStringLiteral("hra"), missing);
    if (!connection) {
        QTextStream(stderr) << "error: cannot connect to the database: " << error << '\n';
        return nullptr;
    }
    if (wholeSchema) {
        try {
            const int version = store::schemaVersion(connection->db());
            if (version > store::kSchemaVersion) {
                QTextStream(stderr)
                    << "error: the database was made by a newer version of the "
                       "program (schema "
                    << version << "; this one knows up to " << store::kSchemaVersion << ")\n";
                return nullptr;
            }
        } catch (const store::DatabaseError& e) {
            QTextStream(stderr) << "error: cannot read the schema version: " << e.message() << '\n';
            return nullptr;
        }
        // A column missing would fail in the middle of a command, after
        // part of its work.
        if (const auto missingColumn = store::firstMissingColumn(connection->db())) {
            QTextStream(stderr) << "error: " << store::missingColumnMessage(*missingColumn) << '\n';
            return nullptr;
        }
        if (const QString table = store::firstMissingTable(connection->db()); !table.isEmpty()) {
            QTextStream(stderr) << "error: " << store::missingTableMessage(table) << '\n';
            return nullptr;
        }
    }
    return connection;
}

std::unique_ptr<store::Connection> connectFrom(const Arguments& args,
                                               store::Connection::Missing missing)
{
    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return nullptr;
    return connectTo(*settings, missing, missing == store::Connection::Missing::Refuse);
}

bool refuseSource(const QString& path)
{
    const QString refused = store::sourceRefusal(path);
    if (!refused.isEmpty())
        QTextStream(stderr) << "error: " << refused << '\n';
    return !refused.isEmpty();
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
    } catch (const domain::PasswordError& e) {
        err << "database initialisation failed: " << e.what() << '\n';
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
    const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
    if (!settings)
        return 1;
    const auto connection = connectTo(*settings, store::Connection::Missing::Refuse, false);
    if (!connection)
        return 1;
    if (connection->isEmpty()) {
        err << "error: the database holds no tables of this program; use hra-cli db init\n";
        return 1;
    }
    try {
        const int before = store::schemaVersion(connection->db());
        if (before > store::kSchemaVersion) {
            err << "error: the database was made by a newer version of the program (schema "
                << before << "); it is left as it is\n";
            return 1;
        }
        // The row versions refuse NULL and carry a default, which the general
        // step leaves alone; every other missing column may be empty.
        QStringList columns = domain::addMissingVersionColumns(*connection);
        columns += store::addMissingColumns(connection->db(), connection->dialect());
        // Makes the tables a later version added, before their indexes are looked for.
        const QStringList tables =
            store::recordSchemaVersion(connection->db(), connection->dialect());
        const QStringList created = domain::addMissingIndexes(*connection);
        const auto list = [](const QStringList& values) {
            QStringList out;
            for (const QString& v : values)
                out << jsonString(v);
            return out.join(QStringLiteral(", "));
        };
        QTextStream(stdout) << "{\"added_columns\": [" << list(columns)
                            << "], \"created_tables\": [" << list(tables)
                            << "], \"created_indexes\": [" << list(created)
                            << "], \"schema_version\": " << store::kSchemaVersion << "}\n";
        if (const auto still = store::firstMissingColumn(connection->db())) {
            err << "error: " << still->table << '.' << still->column
                << " cannot be added by upgrade (it refuses empty values); restore a backup "
                   "that has it\n";
            return 1;
        }
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
