#include "cli/Command.h"
#include "paper/PaperQuestionnaire.h"

#include <QTextStream>

namespace hra::cli {
namespace {

int questionnaireCommand(const QStringList& raw)
{
    const Arguments args(raw);
    const QString pdf = args.value(QStringLiteral("pdf"));
    if (!args.unknown({QStringLiteral("pdf")}, {}).isEmpty() || pdf.isEmpty()) {
        QTextStream(stderr) << "usage: hra-cli questionnaire --pdf OUT\n";
        return 2;
    }
    QString error;
    if (!paper::writePaperQuestionnaire(pdf, &error)) {
        QTextStream(stderr) << error << '\n';
        return 1;
    }
    QTextStream(stdout) << "questionnaire written to " << pdf << '\n';
    return 0;
}

} // namespace

std::vector<Command> questionnaireCommands()
{
    return {{{QStringLiteral("questionnaire")},
             QStringLiteral("--pdf OUT"),
             questionnaireCommand,
             true}};
}

} // namespace hra::cli
