#include "ui/OptionGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QMouseEvent>
#include <QRadioButton>

namespace hra::ui {

OptionGroup::OptionGroup(const QString& caption, const QStringList& options, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent), m_options(options), m_group(new QButtonGroup(this))
{
    auto* layout = new QGridLayout(this);
    const int cols = std::max(1, columns);
    for (int i = 0; i < options.size(); ++i) {
        auto* b = new QRadioButton(options.at(i), this);
        b->setObjectName(QStringLiteral("option%1").arg(i));
        b->installEventFilter(this);
        m_group->addButton(b, i);
        layout->addWidget(b, i / cols, i % cols);
    }
    connect(m_group, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            emit valueChanged(value());
    });
}

QString OptionGroup::value() const
{
    const int id = m_group->checkedId();
    return id >= 0 ? m_options.at(id) : QString();
}

void OptionGroup::setValue(const QString& text)
{
    const qsizetype index = text.isNull() ? -1 : m_options.indexOf(text);
    if (index < 0) {
        clearChoice();
        return;
    }
    m_group->button(static_cast<int>(index))->setChecked(true);
}

void OptionGroup::clearChoice()
{
    if (m_group->checkedId() < 0)
        return;
    // An exclusive group cannot be unchecked button by button.
    m_group->setExclusive(false);
    for (QAbstractButton* b : m_group->buttons())
        b->setChecked(false);
    m_group->setExclusive(true);
    emit valueChanged(QString());
}

QRadioButton* OptionGroup::button(int index) const
{
    return qobject_cast<QRadioButton*>(m_group->button(index));
}

void OptionGroup::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        clearChoice();
        return;
    }
    QGroupBox::mousePressEvent(event);
}

bool OptionGroup::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        clearChoice();
        return true;
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace hra::ui
