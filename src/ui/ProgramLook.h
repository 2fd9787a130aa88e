#pragma once

namespace hra::ui {

// What every window program of the system sets up first: the application
// name (it names the per-user data folder), one clear face for the
// Chinese texts wherever it is installed, Qt's own texts in Chinese, and
// the program's mark as every window's icon.
void setUpProgramLook();

} // namespace hra::ui
