#include "ui/ProgramLook.h"

#include <QApplication>
#include <QFontDatabase>

namespace hra::ui {

void setUpProgramLook()
{
    QApplication::setApplicationName(QStringLiteral("hra"));
    if (QFontDatabase::families().contains(QStringLiteral("Noto Sans CJK SC")))
        QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10));
}

} // namespace hra::ui
