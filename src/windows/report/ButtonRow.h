#pragma once

#include <QString>
#include <functional>

class QDialog;
class QHBoxLayout;

namespace hra::report {

// The command row at the foot of the report dialogs: an action button and
// "&C 关闭" at the right, each named as the window names its buttons; the
// close button closes the dialog without a choice.
QHBoxLayout* actionAndCloseRow(QDialog* dialog, const QString& caption, const char* name,
                               const std::function<void()>& action, const char* closeName);

} // namespace hra::report
