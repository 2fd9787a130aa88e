#include "store/Log.h"

namespace hra::store {

Q_LOGGING_CATEGORY(lcStore, "hra.store", QtWarningMsg)

} // namespace hra::store
