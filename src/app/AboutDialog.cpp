#include "app/AboutDialog.h"

#include "app/Artwork.h"
#include "app/Branding.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace hra::app {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrm_gy"));
    setWindowTitle(kShortTitle);
    setFixedSize(460, 270);

    auto* picture = new QLabel(this);
    picture->setPixmap(artwork::applicationIcon().pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop);

    auto* title = new QLabel(kSystemTitle, this);
    title->setObjectName(QStringLiteral("Lab_title"));
    title->setFont(artwork::calligraphicFont(26));
    title->setStyleSheet(QStringLiteral("color: rgb(22, 78, 140);"));

    auto* version = new QLabel(kVersionText, this);
    version->setObjectName(QStringLiteral("Lab_version"));
    QFont vf = version->font();
    vf.setPointSize(14);
    vf.setBold(true);
    version->setFont(vf);

    auto* rights =
        new QLabel(QStringLiteral("版权所有 © 健康风险评估管理系统开发组，保留所有权利。"), this);
    rights->setObjectName(QStringLiteral("Lab_rights"));
    rights->setWordWrap(true);

    auto* close = new ui::FlatButton(QStringLiteral("&C 关闭"), this);
    close->setObjectName(QStringLiteral("Btn_close"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addSpacing(16);
    texts->addWidget(rights);
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 16);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    ui::KeyNavigation::install(this);
}

} // namespace hra::app
