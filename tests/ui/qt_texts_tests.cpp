#include "support/GuiWait.h"
#include "ui/ProgramLook.h"
#include "ui/QtTexts.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace hra;

// What Qt's dialogs showed in English: the type column of the file dialog
// ("Folder", asked in a context the Qt catalogue lacks). Asked through Qt's
// own code, after the program's set-up; the catalogue's texts still answer.
TEST(QtTexts, TheFileDialogTypesAreChineseAndTheCatalogueStillAnswers)
{
    ui::setUpProgramLook();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QAbstractFileIconProvider icons;
    EXPECT_EQ(icons.type(QFileInfo(dir.path())), "文件夹");
    EXPECT_EQ(icons.type(QFileInfo("/")), "驱动器");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), "打开");
    EXPECT_EQ(QCoreApplication::translate("QFileSystemModel", "Date Modified"), "修改日期");
    // Nothing else is answered by the table.
    EXPECT_EQ(ui::MissingQtTexts().translate("QFileDialog", "Folder", nullptr, -1), QString());
}

// The date and size columns are written the Chinese way even where the
// workstation's own locale is C.
TEST(QtTexts, TheFileDialogWritesDatesAndSizesTheChineseWay)
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("a.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write("x");
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(14, 7)),
                                 QFileDevice::FileModificationTime));
    file.close();

    QFileDialog dialog(nullptr, "选择", dir.path());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    ui::useChineseDetails(dialog);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.show();
    auto* view = dialog.findChild<QTreeView*>("treeView");
    ASSERT_TRUE(view);
    QAbstractItemModel* model = view->model();
    ASSERT_TRUE(test::waitUntil([&] { return model->rowCount(view->rootIndex()) == 1; }));
    const QModelIndex row = model->index(0, 0, view->rootIndex());
    EXPECT_EQ(row.data().toString(), "a.txt");
    EXPECT_EQ(row.siblingAtColumn(1).data().toString(), "1 字节");
    EXPECT_EQ(row.siblingAtColumn(3).data().toString(), "2024/3/5 14:07");
}

// A box of one short line and one button is made wide enough for its caption
// and a title bar's buttons; a box with a long text keeps its own width.
TEST(QtTexts, AMessageBoxIsWideEnoughForItsCaption)
{
    const auto shownWidth = [](const QString& text, bool fitted) {
        QMessageBox box(QMessageBox::Information, "提示信息!", text, QMessageBox::Ok);
        if (fitted)
            ui::fitCaption(box);
        box.show();
        return box.width();
    };
    const int needed = QMessageBox().fontMetrics().horizontalAdvance("提示信息!") + 160;
    EXPECT_LT(shownWidth("好", false), needed);
    EXPECT_GE(shownWidth("好", true), needed);
    const QString text(60, QChar(u'长'));
    EXPECT_GT(shownWidth(text, false), needed);
    EXPECT_EQ(shownWidth(text, true), shownWidth(text, false));
}
