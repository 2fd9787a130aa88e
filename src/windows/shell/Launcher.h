#pragma once

#include "windows/shell/LoginDialog.h"

#include <memory>

namespace hra::app {

struct AppContext;
class MainWindow;
class WindowRegistry;

struct Launch
{
    // Shown maximised after a successful log-in; null otherwise.
    std::unique_ptr<MainWindow> mainWindow;
    // The program's exit code when there is no main window.
    int exitCode = 0;
};

// The start of the program up to the main loop: splash window, main window
// (not shown yet), log-in dialog; the main window appears only after a log-in.
Launch launch(AppContext& context, const WindowRegistry& registry,
              LoginDialog::DatabaseOpener openDatabase);

} // namespace hra::app
