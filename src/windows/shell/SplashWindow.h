#pragma once

#include <QTimer>
#include <QWidget>

namespace hra::app {

// Tload: the small window shown while the program starts.
class SplashWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer m_timer;
    int m_frame = 0;
};

} // namespace hra::app
