#pragma once

#include "windows/shell/Desktop.h"

namespace hra::test {

// A desktop that opens and starts nothing.
class NoDesktop : public app::Desktop
{
public:
    void openDocument(const QString&) override {}
    void startProgram(const QString&, const QStringList&) override {}
};

} // namespace hra::test
