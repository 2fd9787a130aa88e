// Writes the program's icon, drawn in code, as a PNG file for the desktop
// menu entry: hra-icon-png OUT.png [SIZE]. Run by the build.
#include "ui/ProgramIcon.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2)
        return 2;
    const int size = args.size() > 2 ? args.at(2).toInt() : 256;
    const QPixmap icon = hra::ui::programIcon().pixmap(size, size);
    return !icon.isNull() && icon.save(args.at(1), "PNG") ? 0 : 1;
}
