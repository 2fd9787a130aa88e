#pragma once

#include <QLoggingCategory>

namespace hra::ui {

// Why a window showed an operator a failure message, when the reason is not
// a statement (those are logged under hra.store where they fail).
Q_DECLARE_LOGGING_CATEGORY(lcUi)

} // namespace hra::ui
