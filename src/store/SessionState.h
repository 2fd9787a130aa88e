#pragma once

#include <QString>

namespace hra::store {

// What the windows of one running program share: who is logged in.
// Later areas add their hand-over items here.
struct SessionState
{
    // The code of the operator who logged in, as stored; set once.
    QString currentOperatorCode;
};

} // namespace hra::store
