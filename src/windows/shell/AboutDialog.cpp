#include "windows/shell/AboutDialog.h"

#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/ProgramIcon.h"
#include "windows/shell/Artwork.h"
#include "windows/shell/Branding.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace hra::app {

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TFrm_gy"));
    setWindowTitle(kShortTitle);
    setFixedSize(540, 280);

    auto* picture = new QLabel(this);
    picture->setPixmap(ui::programIcon().pixmap(64, 64));

    auto* title = new QLabel(kSystemTitle, this);
    title->setObjectName(QStringLiteral("Lab_title"));
    title->setFont(artwork::calligraphicFont(28));
    title->setStyleSheet(QStringLiteral("color: rgb(22, 78, 140);"));

    auto* version = new QLabel(kVersionText, this);
    version->setObjectName(QStringLiteral("Lab_version"));
    version->setAlignment(Qt::AlignCenter);
    QFont vf = version->font();
    vf.setPointSize(14);
    vf.setBold(true);
    version->setFont(vf);

    auto* rights =
        new QLabel(QStringLiteral("版权所有 © 健康风险评估管理系统开发组　保留所有权利"), this);
    rights->setObjectName(QStringLiteral("Lab_rights"));
    rights->setAlignment(Qt::AlignCenter);

    auto* close = new ui::FlatButton(QStringLiteral("&C 关闭"), this);
    close->setObjectName(QStringLiteral("Btn_close"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* heading = new QHBoxLayout;
    heading->addStretch();
    heading->addWidget(picture);
    heading->addSpacing(12);
    heading->addWidget(title);
    heading->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 24, 20, 14);
    layout->addLayout(heading);
    layout->addSpacing(8);
    layout->addWidget(version);
    layout->addStretch();
    layout->addWidget(rights);
    layout->addSpacing(10);
    layout->addLayout(buttons);

    ui::KeyNavigation::install(this);
}

} // namespace hra::app
