#include "ui/Log.h"

namespace hra::ui {

Q_LOGGING_CATEGORY(lcUi, "hra.ui", QtWarningMsg)

} // namespace hra::ui
