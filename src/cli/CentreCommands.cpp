#include "cli/Command.h"
#include "cli/Json.h"
#include "report/CentreSettings.h"
#include "store/Connection.h"
#include "store/Sql.h"

#include <QTextStream>

namespace hra::cli {
namespace {

const QString kShowUsage = QStringLiteral("[--ini FILE]");
const QString kSetUsage = QStringLiteral(
    "[--name N] [--address A] [--region 北方|南方|\"\"] [--area 城市|农村|\"\"] [--ini FILE]");

void printCentre(const report::Centre& c)
{
    QTextStream(stdout) << "{\"name\": " << jsonString(c.name)
                        << ", \"address\": " << jsonString(c.address)
                        << ", \"region\": " << jsonString(c.region)
                        << ", \"area\": " << jsonString(c.area) << "}\n";
}

int showCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    if (!args.unknown({QStringLiteral("ini")}, {}).isEmpty()) {
        err << "usage: hra-cli centre show " << kShowUsage << '\n';
        return 2;
    }
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        printCentre(report::loadCentre(*connection));
    } catch (const store::DatabaseError& e) {
        err << "error: the centre settings could not be read: " << e.message() << '\n';
        return 1;
    }
    return 0;
}

// Changes only what is given, through the same save as the settings dialog.
int setCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    const QStringList options{QStringLiteral("name"), QStringLiteral("address"),
                              QStringLiteral("region"), QStringLiteral("area"),
                              QStringLiteral("ini")};
    if (!args.unknown(options, {}).isEmpty()) {
        err << "usage: hra-cli centre set " << kSetUsage << '\n';
        return 2;
    }
    const auto connection = connectFrom(args);
    if (!connection)
        return 1;
    try {
        report::Centre centre = report::loadCentre(*connection);
        bool given = false;
        const std::pair<const char*, QString*> fields[] = {{"name", &centre.name},
                                                           {"address", &centre.address},
                                                           {"region", &centre.region},
                                                           {"area", &centre.area}};
        for (const auto& [option, field] : fields) {
            const QString value = args.value(QLatin1String(option), &given);
            if (given)
                *field = value;
        }
        switch (report::saveCentre(*connection, centre)) {
        case report::CentreSave::Saved:
            break;
        case report::CentreSave::EmptyName:
            err << "error: the centre's name must not be empty\n";
            return 1;
        case report::CentreSave::UnknownRegion:
            err << "error: --region must be "
                << report::centreRegions().join(QStringLiteral(" or "))
                << " (or empty): " << centre.region << '\n';
            return 1;
        case report::CentreSave::UnknownArea:
            err << "error: --area must be " << report::centreAreas().join(QStringLiteral(" or "))
                << " (or empty): " << centre.area << '\n';
            return 1;
        }
        printCentre(report::loadCentre(*connection));
    } catch (const store::DatabaseError& e) {
        err << "error: the centre settings could not be saved: " << e.message() << '\n';
        return 1;
    }
    return 0;
}

} // namespace

std::vector<Command> centreCommands()
{
    return {
        {{QStringLiteral("centre"), QStringLiteral("show")}, kShowUsage, showCommand},
        {{QStringLiteral("centre"), QStringLiteral("set")}, kSetUsage, setCommand},
    };
}

} // namespace hra::cli
