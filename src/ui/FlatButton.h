#pragma once

#include <QPushButton>

namespace hra::ui {

// The command button every window uses: flat, its caption red while the mouse
// is over it and black again when the mouse leaves, a dotted frame while it
// has the keyboard focus.
class FlatButton : public QPushButton
{
    Q_OBJECT
public:
    explicit FlatButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    // A flat button draws no frame, so the keyboard focus gets one of its own.
    void paintEvent(QPaintEvent* event) override;

private:
    void setCaptionColor(const QColor& color);
};

} // namespace hra::ui
