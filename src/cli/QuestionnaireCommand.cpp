#include "cli/Command.h"
#include "paper/PaperQuestionnaire.h"
#include "store/PrivateFiles.h"

#include <QTextStream>

namespace hra::cli {
namespace {

int questionnaireCommand(const QStringList& raw)
{
    const Arguments args(raw);
    const QString pdf = args.value(QStringLiteral("pdf"));
    // The blank questionnaire reads no database; --ini is taken as by every
    // command, and a configuration that is refused stops it as well.
    if (!args.unknown({QStringLiteral("pdf"), QStringLiteral("ini")}, {}).isEmpty() ||
        pdf.isEmpty()) {
        QTextStream(stderr) << "usage: hra-cli questionnaire --pdf OUT [--ini FILE]\n";
        return 2;
    }
    bool hasIni = false;
    args.value(QStringLiteral("ini"), &hasIni);
    if (hasIni) {
        const std::optional<store::ConnectionSettings> settings = settingsFrom(args);
        if (!settings)
            return 1;
        if (settings->driver == store::Driver::Sqlite) {
            const QString refused =
                store::targetRefusal(pdf, store::sqliteFiles(settings->databaseFile));
            if (!refused.isEmpty()) {
                QTextStream(stderr) << "error: " << refused << '\n';
                return 1;
            }
        }
    }
    QString error;
    if (!paper::writePaperQuestionnaire(pdf, &error)) {
        QTextStream(stderr) << "error: " << error << '\n';
        return 1;
    }
    QTextStream(stdout) << "questionnaire written to " << pdf << '\n';
    return 0;
}

} // namespace

std::vector<Command> questionnaireCommands()
{
    return {{{QStringLiteral("questionnaire")},
             QStringLiteral("--pdf OUT [--ini FILE]"),
             questionnaireCommand,
             true}};
}

} // namespace hra::cli
