// libFuzzer target for the template loader: any input must load or fail with
// a line and column, never crash. Build with clang and -DHRA_BUILD_FUZZERS=ON:
//   cmake -S . -B build/fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DHRA_BUILD_FUZZERS=ON
//   cmake --build build/fuzz --target template_loader_fuzzer
//   build/fuzz/tests/template_loader_fuzzer -max_total_time=60 tests/reportengine/fuzz/corpus

#include "reportengine/layout/TemplateLoader.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hra::reportengine::ReportTemplate templ;
    const auto result = hra::reportengine::loadTemplateFromData(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
        QStringLiteral("/nonexistent"), templ);
    if (!result.ok && (result.line < 0 || result.column < 1 || !templ.isEmpty()))
        abort();
    return 0;
}
