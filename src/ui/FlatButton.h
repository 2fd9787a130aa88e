#pragma once

#include <QPushButton>

namespace hra::ui {

// The command button every window uses: flat, its caption red while the mouse
// is over it and black again when the mouse leaves.
class FlatButton : public QPushButton
{
    Q_OBJECT
public:
    explicit FlatButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setCaptionColor(const QColor& color);
};

} // namespace hra::ui
