#pragma once

namespace hra::ui {

// What every window program of the system sets up first: the application
// name (it names the per-user data folder) and one clear face for the
// Chinese texts wherever it is installed.
void setUpProgramLook();

} // namespace hra::ui
