#pragma once

#include <QString>

namespace hra::app {

// Titles the windows show.
inline const QString kSystemTitle = QStringLiteral("健康风险评估管理系统");
inline const QString kShortTitle = QStringLiteral("健康风险评估");
inline const QString kVersionText = QStringLiteral("V3.0");

} // namespace hra::app
