#pragma once

#include <QLoggingCategory>

namespace hra::reportengine {

// Templates that do not load, builds that fail or warn.
Q_DECLARE_LOGGING_CATEGORY(lcReport)

} // namespace hra::reportengine
