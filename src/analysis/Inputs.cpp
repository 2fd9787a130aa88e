#include "analysis/Inputs.h"

#include <cmath>

namespace hra::analysis {

bool isBlank(const std::optional<QString>& text)
{
    return !text || text->trimmed().isEmpty();
}

std::optional<double> numberFromText(const std::optional<QString>& text)
{
    if (isBlank(text))
        return std::nullopt;
    bool ok = false;
    const double value = text->trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isOneOf(const std::optional<QString>& text, std::initializer_list<const char16_t*> options)
{
    if (!text)
        return false;
    for (const char16_t* option : options)
        if (*text == QStringView(option))
            return true;
    return false;
}

} // namespace hra::analysis
