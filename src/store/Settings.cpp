#include "store/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStandardPaths>
#include <QTextStream>
#include <optional>

namespace hra::store {
namespace {

// A deliberately small ini reader: QSettings would turn values containing
// commas into lists and mangle backslashes, and passwords may contain both.
// Keys are matched without regard to case, as Windows profile files are.
QHash<QString, QString> readSection(const QString& path, const QString& section, bool* ok)
{
    QHash<QString, QString> values;
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!*ok)
        return values;
    QTextStream in(&file);
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            inSection =
                line.mid(1, line.size() - 2).trimmed().compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inSection || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        if (!values.contains(key))
            values.insert(key, line.mid(eq + 1).trimmed());
    }
    return values;
}

std::optional<Driver> parseDriver(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == u"sqlite")
        return Driver::Sqlite;
    if (t == u"postgres" || t == u"postgresql")
        return Driver::Postgres;
    if (t == u"mssql")
        return Driver::Mssql;
    return std::nullopt;
}

} // namespace

LoadedSettings loadSettings(const QString& iniPath)
{
    LoadedSettings result;
    ConnectionSettings& s = result.settings;
    bool ok = false;
    const QHash<QString, QString> v = readSection(iniPath, QStringLiteral("data"), &ok);
    if (!ok)
        result.warning =
            QStringLiteral("configuration file %1 not found; using defaults").arg(iniPath);

    auto take = [&v](const char* key, QString& into) {
        const auto it = v.constFind(QString::fromLatin1(key).toLower());
        if (it != v.cend())
            into = *it;
    };
    take("Password", s.password);
    take("User ID", s.userId);
    take("database_name", s.databaseName);
    take("server_name", s.serverName);
    QString driver;
    take("driver", driver);
    if (!driver.trimmed().isEmpty()) {
        if (const std::optional<Driver> known = parseDriver(driver))
            s.driver = *known;
        else
            result.unknownDriver = driver.trimmed();
    }
    QString port;
    take("port", port);
    if (!port.trimmed().isEmpty()) {
        bool ok = false;
        const int number = port.trimmed().toInt(&ok);
        if (ok && number >= 1 && number <= 65535)
            s.port = number;
        else
            result.badPort = port.trimmed();
    }

    QString file;
    take("database_file", file);
    s.databaseFileNamed = !file.isEmpty();
    if (file.isEmpty()) {
        const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        s.databaseFile = QDir(dataDir).filePath(s.databaseName + QStringLiteral(".sqlite3"));
    } else if (QDir::isRelativePath(file)) {
        s.databaseFile = QDir::cleanPath(QFileInfo(iniPath).absoluteDir().filePath(file));
    } else {
        s.databaseFile = QDir::cleanPath(file);
    }
    return result;
}

QString LoadedSettings::unknownDriverMessage() const
{
    if (unknownDriver.isEmpty())
        return {};
    return QStringLiteral("unknown driver \"%1\" in the configuration (known: sqlite, postgres, "
                          "mssql); SQL Server is assumed")
        .arg(unknownDriver);
}

QString connectionString(const ConnectionSettings& s)
{
    return QStringLiteral("Provider=SQLOLEDB.1;Password=") + s.password + u';' +
           QStringLiteral("Persist Security Info=False;") + QStringLiteral("User ID=") + s.userId +
           u';' + QStringLiteral("Initial Catalog=") + s.databaseName + u';' +
           QStringLiteral("Data Source=") + s.serverName + u';' +
           QStringLiteral("Use Procedure for Prepare=1;") + QStringLiteral("Auto Translate=True;") +
           QStringLiteral("Packet Size=4096;") + QStringLiteral("Workstation ID=") + s.serverName +
           u';' + QStringLiteral("Use Encryption for Data=False;") +
           QStringLiteral("Tag with column collation when possible=False ");
}

namespace {

// Where an installed program keeps what it ships: ../share/hra from bin/.
QString installedShare()
{
    return QDir(QCoreApplication::applicationDirPath())
        .absoluteFilePath(QStringLiteral("../share/hra"));
}

} // namespace

QString defaultIniPath()
{
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("inifile.ini"));
    const QString installed = QDir(installedShare()).filePath(QStringLiteral("inifile.ini"));
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? QDir::cleanPath(installed)
                                                                      : beside;
}

QString sharedDirectory(const QString& name)
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
    const QString installed = QDir(installedShare()).filePath(name);
    return !QFileInfo(beside).isDir() && QFileInfo(installed).isDir() ? QDir::cleanPath(installed)
                                                                      : beside;
}

QString iniPathFromArguments(const QStringList& arguments)
{
    const qsizetype at = arguments.indexOf(QStringLiteral("--ini"));
    if (at >= 0 && at + 1 < arguments.size())
        return QFileInfo(arguments.at(at + 1)).absoluteFilePath();
    return defaultIniPath();
}

QString driverName(Driver driver)
{
    switch (driver) {
    case Driver::Sqlite:
        return QStringLiteral("sqlite");
    case Driver::Postgres:
        return QStringLiteral("postgres");
    case Driver::Mssql:
        break;
    }
    return QStringLiteral("mssql");
}

} // namespace hra::store
