#include "windows/shell/Desktop.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace hra::app {

// A missing document or program is not reported: they lie outside the system.
void SystemDesktop::openDocument(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SystemDesktop::startProgram(const QString& path, const QStringList& arguments)
{
    QProcess::startDetached(path, arguments, QFileInfo(path).absolutePath());
}

} // namespace hra::app
