#include "RecordsFixture.h"
#include "store/Sql.h"
#include "windows/records/CreateRecordWindow.h"
#include "windows/records/ModifyRecordWindow.h"
#include "windows/records/PersonForm.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace hra;
using test::RecordsFixture;

namespace {

using Values = QList<std::pair<QString, QString>>;

void fill(records::PersonForm* form, const Values& values)
{
    for (const auto& [column, text] : values) {
        if (auto* combo = form->comboBox(column))
            combo->setCurrentText(text);
        else
            form->lineEdit(column)->setText(text);
    }
}

QString shown(records::PersonForm* form, const QString& column)
{
    if (auto* combo = form->comboBox(column))
        return combo->currentText();
    return form->lineEdit(column)->text();
}

const Values everyField{{"bianh", "0001"},
                        {"xingm", "张三"},
                        {"xingb", "男"},
                        {"nianl", "45"},
                        {"shenfzh", "110101197001010011"},
                        {"minz", "回族"},
                        {"zhiy", "体力劳动"},
                        {"hunyzk", "已婚"},
                        {"wenhcd", "本科"},
                        {"lianxfs", "13800000000"},
                        {"gongzdw", "第一工厂"},
                        {"tongxdz", "北京路1号"},
                        {"youj", "z@example.com"}};

class CreateRecord : public RecordsFixture
{
protected:
    void SetUp() override
    {
        RecordsFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        window = std::make_unique<records::CreateRecordWindow>(*context);
        window->show();
        form = window->form();
    }
    void TearDown() override { window.reset(); }

    std::unique_ptr<records::CreateRecordWindow> window;
    records::PersonForm* form = nullptr;
};

TEST_P(CreateRecord, AnEmptyRecordNumberSavesNothingAndSaysSo)
{
    fill(form, everyField);
    form->lineEdit("bianh")->setText("   ");
    window->save();
    EXPECT_EQ(prompts.messages(), QStringList({"档案编号不能为空!"}));
    EXPECT_EQ(prompts.records()[0].caption, "出错提示");
    EXPECT_EQ(rowsWithNumber("jkpg_jbxx", "0001"), 0);
    EXPECT_EQ(store::scalar(conn->db(), "select count(*) from jkpg_jbxx").toInt(), 0);
    EXPECT_EQ(form->lineEdit("xingm")->text(), "张三");
}

TEST_P(CreateRecord, EnterMovesOnWithoutSavingAndEscapeCloses)
{
    fill(form, everyField);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    form->control("bianh")->setFocus();
    QTest::keyClick(form->control("bianh"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), form->control("xingm"));
    QTest::keyClick(form->control("xingm"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), form->control("xingb"));
    QTest::keyClick(form->control("xingb"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), form->control("nianl"));
    EXPECT_TRUE(prompts.records().empty());
    EXPECT_EQ(rowsWithNumber("jkpg_jbxx", "0001"), 0);

    // Escape asks about what was typed: 取消 (the default) stays, 否 closes
    // without storing it.
    prompts.answerMessage(QMessageBox::Cancel);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(prompts.messages(), QStringList({"数据已修改，是否保存?"}));
    EXPECT_EQ(prompts.records()[0].defaultButton, QMessageBox::Cancel);
    prompts.answerMessage(QMessageBox::No);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(store::scalar(conn->db(), "select count(*) from jkpg_jbxx").toInt(), 0);
}

// 是 on closing stores the person as 保存 does, without the question about
// the questionnaire; a window holding nothing typed closes without a question.
TEST_P(CreateRecord, ClosingWithChangesStoresThemOnYes)
{
    fill(form, everyField);
    prompts.answerMessage(QMessageBox::Yes);
    QTest::mouseClick(window->findChild<QPushButton*>("close"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(prompts.messages(), QStringList({"数据已修改，是否保存?", "保存成功!"}));
    EXPECT_EQ(person("0001").value("xingm").toString(), "张三");
    EXPECT_EQ(questionnaireOpened, 0);

    // What cannot be stored keeps the window open with it.
    records::CreateRecordWindow again(*context);
    again.show();
    fill(again.form(), {{"bianh", "0002"}, {"xingm", "李四"}});
    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    again.close();
    EXPECT_TRUE(again.isVisible());
    EXPECT_EQ(prompts.messages(), QStringList({"数据已修改，是否保存?", "性别不能为空!"}));

    records::CreateRecordWindow untouched(*context);
    untouched.show();
    prompts.clear();
    untouched.close();
    EXPECT_FALSE(untouched.isVisible());
    EXPECT_TRUE(prompts.messages().isEmpty());
}

TEST_P(CreateRecord, EachMissingRequiredFieldIsNamedAndGetsTheFocus)
{
    const struct
    {
        const char* column;
        const char* blank;
        const char* message;
    } cases[] = {{"xingm", "  ", "姓名不能为空!"},
                 {"xingb", "", "性别不能为空!"},
                 {"nianl", " ", "年龄不能为空!"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        prompts.clear();
        fill(form, everyField);
        fill(form, {{c.column, c.blank}});
        window->save();
        ASSERT_EQ(prompts.records().size(), 1u);
        EXPECT_EQ(prompts.records()[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(prompts.records()[0].caption, "出错提示");
        EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(window->focusWidget(), form->control(c.column));
        EXPECT_EQ(rowsWithNumber("jkpg_jbxx", "0001"), 0);
    }
}

// The age is a whole number of years: fractions, negative numbers and numbers
// no person reaches are refused with a message, and nothing is stored.
TEST_P(CreateRecord, AgeTakesWholeYearsFromZeroTo150)
{
    for (const char* age : {"35.5", "-5", "151", "123456789012345678901234567890"}) {
        SCOPED_TRACE(age);
        prompts.clear();
        fill(form, everyField);
        fill(form, {{"nianl", age}});
        window->save();
        ASSERT_EQ(prompts.records().size(), 1u);
        EXPECT_EQ(prompts.records()[0].text,
                  QStringLiteral("“年龄”必须是0到150之间的整数: ") + QString::fromLatin1(age));
        EXPECT_EQ(window->focusWidget(), form->control("nianl"));
        EXPECT_EQ(rowsWithNumber("jkpg_jbxx", "0001"), 0);
    }
}

TEST_P(CreateRecord, StoresTheTrimmedNumberWithServerTimeAndFormOfAddressBySex)
{
    const struct
    {
        const char* number;
        const char* sex;
        const char* zunc; // nullptr: left empty
    } cases[] = {{" 0001 ", "男", "先生"}, {"0002", "女", "女士"}, {"0003", "M", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sex);
        prompts.clear();
        fill(form, everyField);
        fill(form, {{"bianh", c.number}, {"xingb", c.sex}});
        window->save();
        const QString number = QString::fromUtf8(c.number).trimmed();
        const QVariantMap row = person(number);
        ASSERT_FALSE(row.isEmpty());
        if (c.zunc)
            EXPECT_EQ(row.value("zunc").toString(), QString::fromUtf8(c.zunc));
        else
            EXPECT_TRUE(row.value("zunc").toString().isEmpty());
        EXPECT_FALSE(row.value("lurrq").isNull());
        EXPECT_EQ(row.value("zhiy").toString(), "体力劳动");
        EXPECT_EQ(row.value("nianl").toInt(), 45);

        EXPECT_EQ(prompts.messages(),
                  QStringList({"保存成功!", "下面要进入信息调查录入界面,确定要进入吗?"}));
        EXPECT_EQ(prompts.records()[0].caption, "提示信息!");
        EXPECT_EQ(prompts.records()[1].caption, "提示信息");
        EXPECT_EQ(prompts.records()[1].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(session.pendingRecordNo, number);
        // Ready for the next person.
        EXPECT_TRUE(form->lineEdit("bianh")->text().isEmpty());
        EXPECT_TRUE(shown(form, "xingb").isEmpty());
        EXPECT_EQ(window->focusWidget(), form->control("bianh"));
    }
    // The scripted prompt answered OK each time; Cancel opens nothing.
    EXPECT_EQ(questionnaireOpened, 3);
    prompts.clear();
    prompts.answerMessage(QMessageBox::Ok);
    prompts.answerMessage(QMessageBox::Cancel);
    fill(form, everyField);
    fill(form, {{"bianh", "0004"}});
    window->save();
    EXPECT_EQ(questionnaireOpened, 3);
    EXPECT_EQ(session.pendingRecordNo, "0004");
}

TEST_P(CreateRecord, ATakenNumberKeepsEverythingTypedAndStoresNothing)
{
    addPerson("0001", "李四", "女");
    fill(form, everyField);
    form->lineEdit("bianh")->setText("0001");
    prompts.answerFile(pictureFile("a.png"));
    QTest::mouseClick(window->findChild<QPushButton*>("browsePicture"), Qt::LeftButton);
    window->save();

    EXPECT_EQ(prompts.messages(), QStringList({"保存不成功,编号重复或非法!"}));
    EXPECT_EQ(prompts.records().back().caption, "出错提示!");
    EXPECT_EQ(prompts.records().back().icon, QMessageBox::Critical);
    for (const auto& [column, text] : everyField) {
        if (column != "bianh") {
            EXPECT_EQ(shown(form, column), text) << column.toStdString();
        }
    }
    EXPECT_EQ(form->lineEdit("bianh")->text(), "0001");
    EXPECT_EQ(form->photoName(), "0001.png");
    EXPECT_FALSE(form->pictureBox()->pixmap().isNull());
    EXPECT_EQ(person("0001").value("xingm").toString(), "李四");
    EXPECT_TRUE(person("0001").value("zhaopsj").isNull());
    EXPECT_TRUE(session.pendingRecordNo.isEmpty());

    // Corrected, the same window stores it, the photo with it under the number stored.
    prompts.clear();
    form->lineEdit("bianh")->setText("0005");
    window->save();
    EXPECT_EQ(prompts.messages().value(0), "保存成功!");
    EXPECT_EQ(person("0005").value("xingm").toString(), "张三");
    EXPECT_EQ(person("0005").value("zhaop").toString(), "0005.png");
    EXPECT_EQ(person("0005").value("zhaopgs").toString(), "png");
    EXPECT_TRUE(person("0001").value("zhaopsj").isNull());
}

TEST_P(CreateRecord, APhotoIsStoredInThePersonRowByteForByte)
{
    auto browse = [&](const QString& file) {
        if (!file.isEmpty())
            prompts.answerFile(file);
        QTest::mouseClick(window->findChild<QPushButton*>("browsePicture"), Qt::LeftButton);
    };
    auto save = [&](const QString& number) {
        fill(form, everyField);
        fill(form, {{"bianh", number}});
        window->save();
    };
    const QString red = pictureFile("red.png");
    QFile redFile(red);
    ASSERT_TRUE(redFile.open(QIODevice::ReadOnly));
    const QByteArray redBytes = redFile.readAll();

    fill(form, {{"bianh", "0001"}});
    browse(red);
    EXPECT_EQ(form->photoName(), "0001.png");
    browse({}); // a cancelled second browse keeps the first picture
    save("0001");
    EXPECT_EQ(person("0001").value("zhaopsj").toByteArray(), redBytes);
    EXPECT_EQ(person("0001").value("zhaopgs").toString(), "png");
    EXPECT_EQ(person("0001").value("zhaop").toString(), "0001.png");
    EXPECT_TRUE(form->pictureBox()->pixmap().isNull());

    // The next record without a picture gets none.
    save("0002");
    EXPECT_TRUE(person("0002").value("zhaop").isNull());
    EXPECT_TRUE(person("0002").value("zhaopsj").isNull());

    // Chosen before a number was typed: named after the number stored.
    fill(form, {{"bianh", ""}});
    browse(pictureFile("blue.JPG", Qt::blue));
    EXPECT_TRUE(form->photoName().isEmpty());
    save("0003");
    EXPECT_EQ(person("0003").value("zhaop").toString(), "0003.JPG");
    EXPECT_EQ(person("0003").value("zhaopgs").toString(), "png");

    // Chosen, then cleared: none.
    browse(red);
    QTest::mouseClick(window->findChild<QPushButton*>("clearPicture"), Qt::LeftButton);
    EXPECT_TRUE(form->photoName().isEmpty());
    save("0004");
    EXPECT_TRUE(person("0004").value("zhaopsj").isNull());
}

// A picture too large to store, or no picture at all, is refused with the
// reason when it is chosen, and nothing is kept of it.
TEST_P(CreateRecord, APhotoOverTheLimitOrBrokenIsRefusedWhenChosen)
{
    QFile big(files.filePath("big.png"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(QByteArray(2 * 1024 * 1024 + 1, 'x'));
    big.close();
    QFile broken(files.filePath("broken.png"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n\x1a\n not really");
    broken.close();
    const struct
    {
        QString file;
        QString message;
    } cases[] = {
        {big.fileName(), "照片文件超过2MB,无法保存!请选择较小的图片。"},
        {broken.fileName(), "加载照片出错!图片已损坏或格式无法识别"},
    };
    fill(form, {{"bianh", "0001"}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        prompts.clear();
        prompts.answerFile(c.file);
        QTest::mouseClick(window->findChild<QPushButton*>("browsePicture"), Qt::LeftButton);
        EXPECT_EQ(prompts.messages(), QStringList({c.message}));
        EXPECT_EQ(prompts.records().back().caption, "出错提示");
        EXPECT_TRUE(form->photoName().isEmpty());
        EXPECT_TRUE(form->photo().isEmpty());
        EXPECT_TRUE(form->pictureBox()->pixmap().isNull());
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, CreateRecord, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

class ModifyRecord : public CreateRecord
{
};

TEST_P(ModifyRecord, KeepsFormOfAddressAndEntryDateAndAStoredOccupationNoLongerOffered)
{
    fill(form, everyField);
    window->save(); // 0001, 男 -> 先生, 体力劳动
    const QVariantMap before = person("0001");
    ASSERT_EQ(before.value("zunc").toString(), "先生");
    prompts.clear();

    records::ModifyRecordWindow modify(*context);
    modify.show();
    EXPECT_EQ(modify.form()->comboBox("zhiy")->count(), 11);
    EXPECT_EQ(modify.form()->comboBox("zhiy")->findText("体力劳动"), -1);
    modify.lookupBox()->setText(" 0001 ");
    QTest::keyClick(modify.lookupBox(), Qt::Key_Return);
    EXPECT_EQ(shown(modify.form(), "xingm"), "张三");
    EXPECT_EQ(shown(modify.form(), "zhiy"), "体力劳动");
    EXPECT_TRUE(modify.form()->lineEdit("bianh")->isReadOnly());

    fill(modify.form(), {{"xingb", "女"}, {"xingm", "张三丰"}});
    modify.modify();
    EXPECT_EQ(prompts.messages(), QStringList({"修改成功!"}));
    EXPECT_EQ(prompts.records()[0].caption, "提示信息!");
    const QVariantMap after = person("0001");
    EXPECT_EQ(after.value("xingm").toString(), "张三丰");
    EXPECT_EQ(after.value("xingb").toString(), "女");
    EXPECT_EQ(after.value("zunc").toString(), "先生");
    EXPECT_EQ(after.value("lurrq"), before.value("lurrq"));
    EXPECT_EQ(after.value("zhiy").toString(), "体力劳动");
    EXPECT_TRUE(modify.lookupBox()->text().isEmpty());
    EXPECT_TRUE(shown(modify.form(), "xingm").isEmpty());
}

TEST_P(ModifyRecord, AnUnknownNumberStoresNothingAndAMissingPhotoIsReported)
{
    records::ModifyRecordWindow modify(*context);
    modify.show();
    modify.lookup("9999");
    EXPECT_TRUE(shown(modify.form(), "xingm").isEmpty());
    EXPECT_EQ(prompts.messages(), QStringList({"没有编号为“9999”的档案!"}));
    prompts.clear();
    modify.modify();
    EXPECT_EQ(prompts.messages(), QStringList({"请先输入档案编号并回车调出档案!"}));
    EXPECT_EQ(prompts.records()[0].caption, "提示信息");
    EXPECT_EQ(store::scalar(conn->db(), "select count(*) from jkpg_jbxx").toInt(), 0);

    addPerson("0001", "李四", "女");
    store::run(conn->db(),
               "update jkpg_jbxx set zhaop = '0001.jpg', zhaopsj = :b, zhaopgs = 'jpeg'",
               {{"b", QByteArray("\xff\xd8\xff broken")}});
    prompts.clear();
    modify.lookup("0001");
    EXPECT_EQ(prompts.messages(), QStringList({"加载照片出错!"}));
    EXPECT_EQ(prompts.records()[0].caption, "出错提示");
    EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(shown(modify.form(), "xingm"), "李四");

    // A new picture for the loaded person replaces the stored one and its name.
    prompts.clear();
    const QString fresh = pictureFile("new.png");
    prompts.answerFile(fresh);
    QTest::mouseClick(modify.findChild<QPushButton*>("browsePicture"), Qt::LeftButton);
    EXPECT_EQ(modify.form()->photoName(), "0001.png");
    modify.modify();
    EXPECT_EQ(prompts.messages().value(0), "修改成功!");
    EXPECT_EQ(person("0001").value("zhaop").toString(), "0001.png");
    QFile freshFile(fresh);
    ASSERT_TRUE(freshFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(person("0001").value("zhaopsj").toByteArray(), freshFile.readAll());

    // A change that leaves the photo alone keeps it.
    modify.lookup("0001");
    EXPECT_FALSE(modify.form()->pictureBox()->pixmap().isNull());
    fill(modify.form(), {{"xingm", "李四四"}});
    modify.modify();
    EXPECT_EQ(person("0001").value("zhaopgs").toString(), "png");

    // "清除" takes it out of the row when the change is stored, not before.
    modify.lookup("0001");
    QTest::mouseClick(modify.findChild<QPushButton*>("clearPicture"), Qt::LeftButton);
    EXPECT_FALSE(person("0001").value("zhaopsj").isNull());
    modify.modify();
    EXPECT_TRUE(person("0001").value("zhaop").isNull());
    EXPECT_TRUE(person("0001").value("zhaopsj").isNull());
    EXPECT_TRUE(person("0001").value("zhaopgs").isNull());
}

// Changes to a loaded person are not dropped by loading another or by
// closing: 取消 keeps them, 是 stores them, 否 drops them.
TEST_P(ModifyRecord, ChangesAreAskedAboutBeforeLoadingAnotherOrClosing)
{
    addPerson("0001", "李四", "女");
    addPerson("0002", "王五", "男");
    records::ModifyRecordWindow modify(*context);
    modify.show();
    modify.lookup("0001");
    fill(modify.form(), {{"xingm", "李四四"}});

    prompts.clear();
    prompts.answerMessage(QMessageBox::Cancel);
    modify.lookup("0002");
    EXPECT_EQ(prompts.messages(), QStringList({"数据已修改，是否保存?"}));
    EXPECT_EQ(shown(modify.form(), "xingm"), "李四四");

    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    modify.lookup("0002");
    EXPECT_EQ(prompts.messages(), QStringList({"数据已修改，是否保存?", "修改成功!"}));
    EXPECT_EQ(person("0001").value("xingm").toString(), "李四四");
    EXPECT_EQ(shown(modify.form(), "xingm"), "王五");

    fill(modify.form(), {{"nianl", "300"}});
    prompts.clear();
    prompts.answerMessage(QMessageBox::Yes);
    modify.close();
    EXPECT_TRUE(modify.isVisible());
    EXPECT_EQ(prompts.messages(),
              QStringList({"数据已修改，是否保存?", "“年龄”必须是0到150之间的整数: 300"}));

    prompts.clear();
    prompts.answerMessage(QMessageBox::No);
    modify.close();
    EXPECT_FALSE(modify.isVisible());
    EXPECT_EQ(person("0002").value("nianl").toInt(), 40);
}

// Another workstation stored the person's 联系方式 since this window loaded
// him; this operator changed the name. Nothing is stored until the operator
// chooses: 重新载入 shows theirs with the name typed here on top (stored by
// the next 修改), 覆盖 stores this window's values, 取消 nothing.
TEST_P(ModifyRecord, AChangeFromAnotherWorkstationIsShownAndReloadedOverwrittenOrKept)
{
    const QString question =
        QStringLiteral("该记录已被其他工作站修改!本次未保存。\n\n其他工作站修改了：\n"
                       "  联系方式：其他工作站为“13900000000”，本机为“空”\n\n"
                       "重新载入：调出其他工作站保存的内容,保留您录入的修改,核对后再保存\n"
                       "覆盖：用本机的内容覆盖其他工作站的修改\n取消：暂不保存,录入的内容保留");
    const QString reloaded =
        QStringLiteral("已载入其他工作站保存的内容,您录入的修改已保留,请核对后再保存。");
    struct Case
    {
        const char* answer;
        QStringList after; // the prompts after the question
        const char* storedName;
        const char* storedPhone; // "" for NULL
    };
    const Case cases[] = {
        {"重新载入", {reloaded}, "李四", "13900000000"},
        {"覆盖", {"修改成功!"}, "李四四", ""},
        {"取消", {}, "李四", "13900000000"},
    };
    int n = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        const QString number = QStringLiteral("000%1").arg(n++);
        addPerson(number, "李四", "女");
        records::ModifyRecordWindow modify(*context);
        modify.show();
        modify.lookup(number);
        store::run(conn->db(),
                   "update jkpg_jbxx set lianxfs = '13900000000', banb = banb + 1 "
                   "where bianh = :bh",
                   {{"bh", number}});
        fill(modify.form(), {{"xingm", "李四四"}});
        prompts.clear();
        prompts.answerChoice(QString::fromUtf8(c.answer));
        modify.modify();
        ASSERT_EQ(prompts.messages(), QStringList{question} + c.after);
        EXPECT_EQ(prompts.records()[0].answers, QStringList({"重新载入", "覆盖", "取消"}));
        EXPECT_EQ(prompts.records()[0].defaultAnswer, 0);
        const QVariantMap stored = person(number);
        EXPECT_EQ(stored.value("xingm").toString(), QString::fromUtf8(c.storedName));
        EXPECT_EQ(stored.value("lianxfs").toString(), QString::fromUtf8(c.storedPhone));
        if (c.after == QStringList{"修改成功!"})
            continue; // stored: the window is emptied for the next person
        EXPECT_EQ(shown(modify.form(), "xingm"), "李四四");
        EXPECT_EQ(shown(modify.form(), "lianxfs"),
                  c.after.isEmpty() ? QString() : QStringLiteral("13900000000"));
        if (c.after.isEmpty())
            continue;

        // The next 修改 stores both changes.
        prompts.clear();
        modify.modify();
        EXPECT_EQ(prompts.messages(), QStringList({"修改成功!"}));
        EXPECT_EQ(person(number).value("xingm").toString(), "李四四");
        EXPECT_EQ(person(number).value("lianxfs").toString(), "13900000000");
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, ModifyRecord, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

} // namespace
