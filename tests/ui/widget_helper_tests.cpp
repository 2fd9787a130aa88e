#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PasswordField.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace hra;

namespace {

struct Form
{
    Form()
    {
        auto* layout = new QVBoxLayout(&window);
        for (QLineEdit** e : {&a, &b, &c}) {
            *e = new QLineEdit(&window);
            layout->addWidget(*e);
        }
        notes = new QPlainTextEdit(&window);
        layout->addWidget(notes);
        // Tab order c, a, notes, b: not the order of creation.
        QWidget::setTabOrder(c, a);
        QWidget::setTabOrder(a, notes);
        QWidget::setTabOrder(notes, b);
        keys = ui::KeyNavigation::install(&window);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    QWidget window;
    QLineEdit* a;
    QLineEdit* b;
    QLineEdit* c;
    QPlainTextEdit* notes;
    ui::KeyNavigation* keys;
};

} // namespace

TEST(KeyNavigation, EnterFollowsTheTabOrderAndWraps)
{
    Form f;
    f.notes->setEnabled(false); // skipped
    f.c->setFocus();
    QTest::keyClick(f.c, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.a);
    QTest::keyClick(f.a, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(QApplication::focusWidget(), f.b);
    QTest::keyClick(f.b, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.c);
}

TEST(KeyNavigation, MultiLineBoxesKeepEnterAndEnterActionsRun)
{
    Form f;
    f.notes->setFocus();
    QTest::keyClicks(f.notes, QStringLiteral("x"));
    QTest::keyClick(f.notes, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.notes);
    EXPECT_EQ(f.notes->toPlainText(), QStringLiteral("x\n"));

    int runs = 0;
    f.keys->setEnterAction(f.a, [&] { ++runs; });
    f.keys->setEnterAction(
        f.c, [&] { ++runs; }, true);
    f.a->setFocus();
    QTest::keyClick(f.a, Qt::Key_Return);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(QApplication::focusWidget(), f.a); // the action alone
    f.c->setFocus();
    QTest::keyClick(f.c, Qt::Key_Return);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(QApplication::focusWidget(), f.a); // moved on as well
}

TEST(KeyNavigation, EscapeClosesTheWindow)
{
    Form f;
    f.b->setFocus();
    QTest::keyClick(f.b, Qt::Key_Escape);
    EXPECT_FALSE(f.window.isVisible());
}

// An open drop-down list takes Escape and Enter for itself: the list closes
// (or picks its item) and the window, with what was typed, stays.
TEST(KeyNavigation, OpenDropDownKeepsEscapeAndEnter)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* combo = new QComboBox(&window);
    combo->addItems({QStringLiteral("汉族"), QStringLiteral("回族")});
    layout->addWidget(combo);
    auto* typed = new QLineEdit(QStringLiteral("张三"), &window);
    layout->addWidget(typed);
    ui::KeyNavigation::install(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    combo->showPopup();
    QWidget* list = combo->view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(list->window()->isVisible());

    combo->showPopup();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(combo->currentText(), QStringLiteral("回族"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(typed->text(), QStringLiteral("张三"));
}

TEST(FlatButton, CaptionTurnsRedUnderTheMouse)
{
    QWidget window;
    auto* button = new ui::FlatButton(QStringLiteral("&S 保存"), &window);
    EXPECT_TRUE(button->isFlat());
    EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(Qt::black));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(button, &enter);
    EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(Qt::red));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_EQ(button->palette().color(QPalette::ButtonText), QColor(Qt::black));
}

TEST(PasswordField, ShowsStars)
{
    QLineEdit box;
    ui::showPasswordAsStars(&box);
    box.setText(QStringLiteral("s3 cret"));
    EXPECT_EQ(box.displayText(), QStringLiteral("*******"));
    EXPECT_EQ(box.text(), QStringLiteral("s3 cret"));
}
