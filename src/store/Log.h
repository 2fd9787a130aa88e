#pragma once

#include <QLoggingCategory>

namespace hra::store {

// The driver's own words about a failure go here (operators see the
// program's messages); enable with QT_LOGGING_RULES="hra.store.debug=true"
// for every statement run.
Q_DECLARE_LOGGING_CATEGORY(lcStore)

} // namespace hra::store
