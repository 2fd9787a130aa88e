#pragma once

class QTabWidget;

namespace hra::ui {

// Marks the active tab of a page control with the "active" icon and the
// others with the "inactive" one, now and whenever the tab changes.
void followActiveTab(QTabWidget* pages);

} // namespace hra::ui
