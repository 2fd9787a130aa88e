#pragma once

#include <QString>
#include <functional>

namespace hra::store {
class Connection;
}
namespace hra::ui {
class PromptService;
}

namespace hra::report {

// What the report windows need from the running program.
struct Context
{
    store::Connection& connection;
    ui::PromptService& prompts;
    // Switches the main window's navigation tree on and off.
    std::function<void(bool)> setNavigationEnabled;
    // Where report templates live; empty: "reports" beside the program.
    QString reportsDirectory;
    // Opens the batch reports of a work unit; unset: the button is hidden.
    std::function<void()> openBatchReports;
};

} // namespace hra::report
