#pragma once

#include "analysis/ReferenceData.h"

#include <QString>
#include <optional>
#include <string>

namespace hra::analysis::test {

inline QString q(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

inline std::optional<QString> opt(const char* utf8)
{
    if (!utf8)
        return std::nullopt;
    return QString::fromUtf8(utf8);
}

inline std::string s(const std::optional<QString>& text)
{
    return text ? text->toStdString() : std::string("<NULL>");
}

inline ReferenceRange bounds(std::optional<double> min, std::optional<double> max,
                             const char* unit = nullptr)
{
    return {min, max, opt(unit)};
}

inline AdviceRow advice(qint64 id, const char* item, const char* state, const char* level,
                        const char* text)
{
    return {id, opt(item), opt(state), opt(level), opt(text)};
}

} // namespace hra::analysis::test
