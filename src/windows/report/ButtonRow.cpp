#include "windows/report/ButtonRow.h"

#include "ui/FlatButton.h"

#include <QDialog>
#include <QHBoxLayout>

namespace hra::report {

QHBoxLayout* actionAndCloseRow(QDialog* dialog, const QString& caption, const char* name,
                               const std::function<void()>& action, const char* closeName)
{
    auto* act = new ui::FlatButton(caption, dialog);
    act->setObjectName(QLatin1String(name));
    auto* close = new ui::FlatButton(QStringLiteral("&C 关闭"), dialog);
    close->setObjectName(QLatin1String(closeName));
    QObject::connect(act, &QPushButton::clicked, dialog, action);
    QObject::connect(close, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(act);
    row->addWidget(close);
    return row;
}

} // namespace hra::report
