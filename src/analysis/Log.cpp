#include "analysis/Log.h"

namespace hra::analysis {

Q_LOGGING_CATEGORY(lcAnalysis, "hra.analysis", QtWarningMsg)

} // namespace hra::analysis
