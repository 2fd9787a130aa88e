#include "ui/PasswordField.h"

#include <QLineEdit>
#include <QProxyStyle>

namespace hra::ui {
namespace {

class StarStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return u'*';
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void showPasswordAsStars(QLineEdit* box)
{
    box->setEchoMode(QLineEdit::Password);
    auto* style = new StarStyle;
    style->setParent(box);
    box->setStyle(style);
}

} // namespace hra::ui
