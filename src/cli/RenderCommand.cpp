#include "cli/Command.h"
#include "reportengine/Export.h"
#include "reportengine/Limits.h"
#include "reportengine/Report.h"
#include "store/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cmath>

namespace hra::cli {

namespace {

namespace re = hra::reportengine;

const char* const kRenderUsage = "--template FILE --data FILE.json --pdf OUT [--png DIR] [--dpi N]";

int renderCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    const QStringList valueOptions = {QStringLiteral("template"), QStringLiteral("data"),
                                      QStringLiteral("pdf"), QStringLiteral("png"),
                                      QStringLiteral("dpi")};
    const QString templatePath = args.value(QStringLiteral("template"));
    const QString dataPath = args.value(QStringLiteral("data"));
    const QString pdfPath = args.value(QStringLiteral("pdf"));
    bool pngGiven = false;
    const QString pngDir = args.value(QStringLiteral("png"), &pngGiven);
    if (!args.unknown(valueOptions, {}).isEmpty() || templatePath.isEmpty() || dataPath.isEmpty() ||
        pdfPath.isEmpty() || (pngGiven && pngDir.isEmpty())) {
        err << "usage: hra-cli render " << kRenderUsage << '\n';
        return 2;
    }
    bool dpiGiven = false;
    const QString dpiText = args.value(QStringLiteral("dpi"), &dpiGiven);
    bool dpiOk = true;
    const double dpi = dpiGiven ? dpiText.toDouble(&dpiOk) : 150.0;
    if (!dpiOk || !std::isfinite(dpi) || dpi < 10 || dpi > 1200) {
        err << "--dpi must be a number from 10 to 1200\n";
        return 2;
    }

    // The engine treats a missing template as an empty report; asked for by
    // name on the command line it is a mistake.
    if (!QFileInfo::exists(templatePath)) {
        err << "template not found: " << templatePath << '\n';
        return 1;
    }
    re::Report report;
    const re::LoadResult loaded = report.load(templatePath);
    for (const QString& w : loaded.warnings)
        err << "warning: " << w << '\n';
    if (!loaded.ok) {
        err << "template error: " << loaded.toString() << '\n';
        return 1;
    }

    QByteArray data;
    QString error;
    if (!re::limits::readFile(dataPath, re::limits::kDataBytes, data, &error)) {
        err << "cannot read " << dataPath << ": " << error << '\n';
        return 1;
    }
    if (!re::loadJsonSources(data, report.dataSources(), &error)) {
        err << "data error in " << dataPath << ": " << error << '\n';
        return 1;
    }

    return writePages(report, pdfPath, pngGiven ? pngDir : QString(), dpi,
                      QFileInfo(templatePath).completeBaseName());
}

} // namespace

int writePages(reportengine::Report& report, const QString& pdfPath, const QString& pngDir,
               double dpi, const QString& title, const QStringList& protectedFiles)
{
    QTextStream err(stderr);
    const QFileInfo target(pdfPath);
    store::makePrivateFolder(target.absolutePath());
    re::ExportTarget to;
    to.protectedFiles = protectedFiles;
    to.pdfPath = target.absoluteFilePath();
    to.title = title;
    to.pngDir = pngDir;
    to.dpi = dpi;
    // The PDF goes to a temporary file beside the target and takes its name
    // only when every page is written: a failed run leaves no file that
    // looks finished.
    const re::ExportResult result = re::buildAndExport(report, to);
    for (const QString& w : result.warnings)
        err << "warning: " << w << '\n';
    if (!result.ok) {
        err << (result.buildFailed ? "error: build failed: " : "error: ") << result.error << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out << result.pages << " pages written to " << pdfPath << '\n';
    if (!pngDir.isEmpty())
        out << result.pngFiles.size() << " PNG pages written to " << pngDir << '\n';
    return 0;
}

std::vector<Command> renderCommands()
{
    return {
        {{QStringLiteral("render")}, QString::fromLatin1(kRenderUsage), renderCommand, true},
    };
}

} // namespace hra::cli
