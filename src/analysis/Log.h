#pragma once

#include <QLoggingCategory>

namespace hra::analysis {

// Evaluations that had no result for the stored data, and clean-ups that
// could not be done.
Q_DECLARE_LOGGING_CATEGORY(lcAnalysis)

} // namespace hra::analysis
