#include "windows/records/RecordWindow.h"

#include "domain/PersonRecords.h"
#include "domain/SessionState.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"
#include "windows/records/Context.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiSubWindow>
#include <QVBoxLayout>

namespace hra::records {

QString unknownNumberMessage(const QString& number)
{
    return domain::unknownRecordMessage(number);
}

QLabel* makeBanner(const QString& text, QWidget* parent)
{
    auto* banner = new QLabel(text, parent);
    banner->setObjectName(QStringLiteral("banner"));
    banner->setAlignment(Qt::AlignCenter);
    QFont font = banner->font();
    font.setPointSize(18);
    font.setBold(true);
    banner->setFont(font);
    banner->setStyleSheet(
        QStringLiteral("QLabel#banner { color: #1f3f8f; background: #dfe8f7; padding: 8px; }"));
    return banner;
}

QHBoxLayout* commandButtons(QWidget* parent,
                            std::initializer_list<std::pair<QString, QString>> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (const auto& [caption, name] : buttons) {
        auto* button = new ui::FlatButton(caption, parent);
        button->setObjectName(name);
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    return row;
}

RecordWindow::RecordWindow(Context& context, const QString& kind, const QString& caption,
                           const QString& banner, QWidget* parent)
    : QWidget(parent), m_context(context), m_body(new QVBoxLayout(this))
{
    setObjectName(kind);
    setWindowTitle(caption);
    m_body->addWidget(makeBanner(banner, this));
}

ui::KeyNavigation* RecordWindow::installKeys()
{
    return ui::KeyNavigation::install(this);
}

bool RecordWindow::settleChanges()
{
    if (!hasChanges())
        return true;
    switch (ui::askAboutChanges(m_context.prompts, this)) {
    case ui::UnsavedChanges::Save:
        return storeChanges();
    case ui::UnsavedChanges::Discard:
        return true;
    case ui::UnsavedChanges::Keep:
        break;
    }
    return false;
}

void RecordWindow::closeEvent(QCloseEvent* event)
{
    if (!settleChanges()) {
        event->ignore();
        return;
    }
    // Escape closes this widget; inside the main window the frame around it
    // has to go too (closing the frame closes us again, which Qt ignores).
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->close();
    QWidget::closeEvent(event);
}

} // namespace hra::records
