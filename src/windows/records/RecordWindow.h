#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QVBoxLayout;

namespace hra::ui {
class KeyNavigation;
}

namespace hra::records {

struct Context;

// What the person-record child windows share: the name of their kind, the
// caption, a banner across the top, Enter/Escape keys, and closing the frame
// the main window puts them in.
class RecordWindow : public QWidget
{
    Q_OBJECT
public:
    RecordWindow(Context& context, const QString& kind, const QString& caption,
                 const QString& banner, QWidget* parent = nullptr);

protected:
    // Called at the end of a window's constructor, once every control exists.
    ui::KeyNavigation* installKeys();
    // However the window is closed (Escape, 关闭, another area, leaving the
    // program), changes it holds are not dropped without asking.
    void closeEvent(QCloseEvent* event) override;
    // Whether the window holds typed data that is not stored.
    virtual bool hasChanges() const { return false; }
    // Stores those changes; false (having told the operator why) when it could not.
    virtual bool storeChanges() { return true; }
    // Asks "数据已修改，是否保存?" when the window holds changes: true when the
    // caller may go on (they were stored, or dropped), false when they stay.
    bool settleChanges();
    // The column below the banner that a window fills.
    QVBoxLayout* body() const { return m_body; }

    Context& m_context;

private:
    QVBoxLayout* m_body;
};

// A row of flat command buttons ({caption, objectName} each) pushed to the
// right; in dialogs they do not press themselves on Enter.
QHBoxLayout* commandButtons(QWidget* parent,
                            std::initializer_list<std::pair<QString, QString>> buttons);

// What a window says when no person has the number looked up.
QString unknownNumberMessage(const QString& number);

// The big blue title of a window ("建 立 档 案").
QLabel* makeBanner(const QString& text, QWidget* parent);

} // namespace hra::records
