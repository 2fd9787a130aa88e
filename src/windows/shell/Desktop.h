#pragma once

#include <QString>
#include <QStringList>

namespace hra::app {

// What the program asks of the desktop: open a document with its usual
// program, start another program without waiting. Tests substitute a
// recording double so that nothing is opened or started.
class Desktop
{
public:
    virtual ~Desktop() = default;
    virtual void openDocument(const QString& path) = 0;
    virtual void startProgram(const QString& path, const QStringList& arguments = {}) = 0;
};

class SystemDesktop : public Desktop
{
public:
    void openDocument(const QString& path) override;
    void startProgram(const QString& path, const QStringList& arguments) override;
};

} // namespace hra::app
