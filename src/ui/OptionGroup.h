#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace hra::ui {

// A framed group of mutually exclusive options. Its value is the exact text
// of the chosen option, or a null string when none is chosen; a right click
// anywhere on the group clears the choice.
class OptionGroup : public QGroupBox
{
    Q_OBJECT
public:
    OptionGroup(const QString& caption, const QStringList& options, int columns = 1,
                QWidget* parent = nullptr);

    const QStringList& options() const { return m_options; }
    QString value() const;
    // Chooses the option with exactly this text; any other text (or null)
    // leaves no option chosen.
    void setValue(const QString& text);
    void clearChoice();
    QRadioButton* button(int index) const;

signals:
    void valueChanged(const QString& value);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList m_options;
    QButtonGroup* m_group;
};

} // namespace hra::ui
