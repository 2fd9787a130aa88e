// libFuzzer target for the engine end to end: a template, data for it, the
// build and the PDF and PNG export. The input is the template, a NUL byte and
// the data as JSON (no NUL: the template alone, without data). Whatever the
// input, the engine loads or fails with an error, builds or fails with an
// error, and exports what it built; it never crashes, hangs or aborts.
// Build with clang (the engine is instrumented too):
//   cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
//         -DHRA_BUILD_FUZZERS=ON -DHRA_BUILD_BENCHMARKS=OFF
//   cmake --build build/fuzz --target report_fuzzer
//   QT_QPA_PLATFORM=offscreen build/fuzz/tests/report_fuzzer -max_total_time=300 \
//         -dict=tests/reportengine/fuzz/report.dict tests/reportengine/fuzz/report-corpus

#include "reportengine/DataSource.h"
#include "reportengine/Export.h"
#include "reportengine/layout/Builder.h"
#include "reportengine/layout/BuiltReport.h"
#include "reportengine/layout/TemplateLoader.h"

#include <QByteArray>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace re = hra::reportengine;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\0');
    const QByteArray xml = split < 0 ? input : input.left(split);

    re::ReportTemplate templ;
    const re::LoadResult loaded = re::loadTemplateFromData(xml, dir.path(), templ);
    if (!loaded.ok) {
        if (loaded.line < 0 || loaded.column < 1 || !templ.isEmpty() || loaded.message.isEmpty())
            abort();
        return 0;
    }
    re::DataSources sources;
    if (split >= 0 && !re::loadJsonSources(input.mid(split + 1), sources, nullptr))
        return 0;
    const re::BuildResult built = re::buildReport(templ, sources);
    if (!built.ok) {
        if (built.error.isEmpty())
            abort();
        return 0;
    }
    // Thousands of pages are allowed but make one input take seconds.
    if (built.report.pageCount() > 20)
        return 0;
    QString error;
    if (!re::exportPdf(built.report, dir.filePath(QStringLiteral("out.pdf")), &error))
        abort();
    // A low resolution keeps the pictures small; the painting is the same.
    re::exportPng(built.report, dir.filePath(QStringLiteral("png")), 10, QStringLiteral("p"),
                  &error);
    return 0;
}
