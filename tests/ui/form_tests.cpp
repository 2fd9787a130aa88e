#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "ui/Form.h"
#include "ui/OptionGroup.h"
#include "ui/PromptService.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace hra;
using domain::ControlKind;

namespace {

// Part of a current-status page: tick boxes (one with its text field),
// an option group and a drop-down.
domain::FormDeclaration statusForm()
{
    return {
        .table = "jkpg_mqzk",
        .sections =
            {{.name = "diseases",
              .caption = "1.您目前患有以下哪种疾病",
              .columns = 3,
              .fields = {{.column = "gaoxy", .caption = "高血压", .kind = ControlKind::Tick},
                         {.column = "xiaoc", .caption = "哮喘", .kind = ControlKind::Tick},
                         {.column = "qit", .caption = "其他", .kind = ControlKind::Tick},
                         {.column = "qitnr", .caption = "其他疾病", .besideTick = "qit"}}},
             {.name = "health",
              .caption = "2.您目前的健康情况",
              .fields = {{.column = "pilcd",
                          .caption = "1.您过去一段时间感到疲劳的程度是：",
                          .kind = ControlKind::Options,
                          .options = {"无疲劳 ", "稍微疲劳", "很疲劳", "非常疲劳"},
                          .optionColumns = 2}}},
             {.name = "family",
              .caption = "3.家族史",
              .columns = 2,
              .fields = {{.column = "jiazs_gxy",
                          .caption = "高血压",
                          .kind = ControlKind::Choice,
                          .options = {"袓父", "祖母", "父", "母"}},
                         {.column = "jiazs_fp",
                          .caption = "肥胖",
                          .kind = ControlKind::Choice,
                          .options = {"父", "母"},
                          .wide = true}}}},
    };
}

// Part of an examination page: required numbers with units and reference
// labels, a read-only value, a text value and an option group.
domain::FormDeclaration examForm()
{
    return {
        .table = "jkpg_tgjc",
        .sections = {{.name = "exam",
                      .caption = "检查情况",
                      .columns = 2,
                      .fields = {{.column = "sheng",
                                  .caption = "身高",
                                  .kind = ControlKind::Number,
                                  .requiredMessage = "身高为必填项,带*号的为必填项!",
                                  .unit = "m",
                                  .maxLength = 4},
                                 {.column = "tizzs",
                                  .caption = "体重指数",
                                  .kind = ControlKind::Number,
                                  .reference = {"Lab_tzzs", "18.5-24"},
                                  .readOnly = true},
                                 {.column = "zongdgc",
                                  .caption = "总胆固醇",
                                  .kind = ControlKind::Number,
                                  .requiredMessage = "总胆固醇为必填项,带*号的为必填项!",
                                  .reference = {"Lab_zdgc", "(2.84-5.68)mmol/L"}},
                                 {.column = "ganysz",
                                  .caption = "甘油三酯",
                                  .kind = ControlKind::Number,
                                  .requiredMessage = "甘油三酯为必填项,带*号的为必填项!",
                                  .reference = {"Lab_gysz", "(0.56-1.7)mmol/L"}},
                                 {.column = "xuens",
                                  .caption = "血尿酸",
                                  .reference = {"Lab_xns", "(150-420)umol/L"}}}},
                     {.name = "liver",
                      .caption = "脂肪肝B超",
                      .fields = {{.column = "zhifg_bc",
                                  .caption = "脂肪肝",
                                  .kind = ControlKind::Options,
                                  .options = {"无", "轻度", "中度", "重度"}}}}},
        .requiredMark = "*",
    };
}

// The drinking questions of a lifestyle page: four tick boxes of one
// question share a frame.
domain::FormDeclaration drinkForm()
{
    domain::SectionDeclaration drinking{.name = "drinking", .caption = "饮酒情况"};
    drinking.fields.push_back({.column = "shifyj",
                               .caption = "1.是否经常饮酒？",
                               .kind = ControlKind::Options,
                               .options = {"是", "否", "很少", "已戒"}});
    const char* kinds[][2] = {
        {"yinjzl_bj", "白酒"}, {"yinjzl_pj", "啤酒"}, {"yinjzl_gj", "果酒"}, {"yinjzl_qt", "其他"}};
    for (const auto& [column, caption] : kinds)
        drinking.fields.push_back({.column = column,
                                   .caption = caption,
                                   .kind = ControlKind::Tick,
                                   .group = "2.主要饮酒种类"});
    drinking.fields.push_back({.column = "meirjl", .caption = "3.每日平均饮酒：", .unit = "ml/日"});
    return {.table = "jkpg_shfs", .sections = {drinking}};
}

class FormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        store::run(conn->db(), "insert into jkpg_jbxx (bianh) values ('P1')");
    }

    template <typename T> T* control(const ui::Form& form, const char* column)
    {
        auto* c = qobject_cast<T*>(form.control(QLatin1String(column)));
        EXPECT_TRUE(c) << column;
        return c;
    }

    test::TestDatabase db{store::Driver::Sqlite};
    std::unique_ptr<store::Connection> conn;
    ui::ScriptedPromptService prompts;
};

TEST_F(FormTest, BuildsNamedControlsWithBuddiesAndDeclaredWidths)
{
    QWidget window;
    ui::Form form(examForm(), prompts, &window);
    ui::Form status(statusForm(), prompts, &window);

    const struct
    {
        const ui::Form& form;
        const char* column;
        const char* className;
        const char* label; // nullptr: the control carries its own caption
        int maxLength;     // -1: not a text box
    } cases[] = {
        {form, "sheng", "QLineEdit", "*身高", 4},
        {form, "tizzs", "QLineEdit", "体重指数", 32767},
        {form, "xuens", "QLineEdit", "血尿酸", 20}, // jkpg_tgjc.xuens holds 20
        {form, "zhifg_bc", "hra::ui::OptionGroup", nullptr, -1},
        {status, "qitnr", "QLineEdit", nullptr, 20},
        {status, "qit", "QCheckBox", nullptr, -1},
        {status, "jiazs_gxy", "QComboBox", "高血压", 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        QWidget* control = c.form.control(QLatin1String(c.column));
        ASSERT_TRUE(control);
        EXPECT_EQ(control->objectName(), QLatin1String(c.column));
        EXPECT_STREQ(control->metaObject()->className(), c.className);
        if (c.label) {
            ASSERT_TRUE(c.form.label(QLatin1String(c.column)));
            EXPECT_EQ(c.form.label(QLatin1String(c.column))->text(), QString::fromUtf8(c.label));
            EXPECT_EQ(c.form.label(QLatin1String(c.column))->buddy(), control);
        } else {
            EXPECT_FALSE(c.form.label(QLatin1String(c.column)));
        }
        auto* edit = qobject_cast<QLineEdit*>(control);
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            EXPECT_TRUE(combo->isEditable());
            edit = combo->lineEdit();
        }
        EXPECT_EQ(edit ? edit->maxLength() : -1, c.maxLength);
    }

    // Read-only values are shown, never typed or tabbed to.
    EXPECT_TRUE(control<QLineEdit>(form, "tizzs")->isReadOnly());
    EXPECT_EQ(control<QLineEdit>(form, "tizzs")->focusPolicy(), Qt::NoFocus);
    // Units and reference labels follow their controls.
    EXPECT_EQ(form.referenceLabel("zongdgc")->objectName(), "Lab_zdgc");
    EXPECT_EQ(form.referenceLabel("zongdgc")->text(), "(2.84-5.68)mmol/L");
    EXPECT_FALSE(form.referenceLabel("sheng"));
    QStringList texts;
    for (const QLabel* l : form.section("exam")->findChildren<QLabel*>())
        texts << l->text();
    EXPECT_TRUE(texts.contains("m"));
    // Options, their order and columns as declared.
    auto* fatigue = control<ui::OptionGroup>(status, "pilcd");
    EXPECT_EQ(fatigue->title(), "1.您过去一段时间感到疲劳的程度是：");
    EXPECT_EQ(fatigue->options(), QStringList({"无疲劳 ", "稍微疲劳", "很疲劳", "非常疲劳"}));
    auto* inner = qobject_cast<QGridLayout*>(fatigue->layout());
    int row, col, rows, cols;
    inner->getItemPosition(inner->indexOf(fatigue->button(3)), &row, &col, &rows, &cols);
    EXPECT_EQ(std::make_pair(row, col), std::make_pair(1, 1));
    // A wide field takes the whole row of its section.
    QGridLayout* family = status.sectionGrid("family");
    family->getItemPosition(family->indexOf(status.control("jiazs_fp")), &row, &col, &rows, &cols);
    EXPECT_EQ(std::make_pair(row, col + cols), std::make_pair(1, 4));
    // Sections are frames named and titled as declared.
    EXPECT_EQ(qobject_cast<QGroupBox*>(status.section("diseases"))->title(),
              "1.您目前患有以下哪种疾病");
    EXPECT_EQ(status.sections().size(), 3);

    // Tick boxes of one group share a frame, side by side.
    ui::Form drink(drinkForm(), prompts, &window);
    auto* kinds = qobject_cast<QGroupBox*>(drink.control("yinjzl_bj")->parentWidget());
    ASSERT_TRUE(kinds);
    EXPECT_EQ(kinds->title(), "2.主要饮酒种类");
    auto* kindGrid = qobject_cast<QGridLayout*>(kinds->layout());
    QList<int> columns;
    for (const char* column : {"yinjzl_bj", "yinjzl_pj", "yinjzl_gj", "yinjzl_qt"}) {
        QWidget* tick = drink.control(column);
        EXPECT_EQ(tick->parentWidget(), kinds);
        for (int i = 0; i < kindGrid->count(); ++i)
            if (QLayout* cell = kindGrid->itemAt(i)->layout(); cell && cell->indexOf(tick) >= 0) {
                kindGrid->getItemPosition(i, &row, &col, &rows, &cols);
                EXPECT_EQ(row, 0);
                columns << col;
            }
    }
    EXPECT_EQ(columns, QList<int>({0, 2, 4, 6}));
    QStringList drinkTexts;
    for (const QLabel* l : drink.section("drinking")->findChildren<QLabel*>())
        drinkTexts << l->text();
    EXPECT_TRUE(drinkTexts.contains("ml/日"));

    // The tab order is the declared order.
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    control<QLineEdit>(form, "sheng")->setFocus();
    QStringList order;
    for (int i = 0; i < 6; ++i) {
        QWidget* w = QApplication::focusWidget();
        order << (qobject_cast<QRadioButton*>(w) ? w->parentWidget() : w)->objectName();
        QTest::keyClick(w, Qt::Key_Tab);
    }
    EXPECT_EQ(order, QStringList({"sheng", "zongdgc", "ganysz", "xuens", "zhifg_bc", "gaoxy"}));
}

TEST_F(FormTest, StoresAndShowsEachKindByItsConvention)
{
    QWidget window;
    ui::Form form(statusForm(), prompts, &window);
    store::RowBuffer row("jkpg_mqzk", {"jkpg_id", "bianh"});
    row.startNew(conn->db(), {{"jkpg_id", 1}, {"bianh", "P1"}});
    form.load(row);

    control<QCheckBox>(form, "qit")->setChecked(true);
    control<QLineEdit>(form, "qitnr")->setText("痛风");
    control<ui::OptionGroup>(form, "pilcd")->button(0)->click();
    control<QComboBox>(form, "jiazs_gxy")->setCurrentIndex(0);
    control<QComboBox>(form, "jiazs_fp")->setCurrentText("外婆"); // typed, not offered
    ASSERT_TRUE(form.save(row));
    row.store(conn->db());

    QSqlQuery q = store::run(conn->db(), "select gaoxy, qit, qitnr, pilcd, jiazs_gxy, jiazs_fp, "
                                         "jiazs_nzz from jkpg_mqzk");
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "0");
    EXPECT_EQ(q.value(1).toString(), "其他");
    EXPECT_EQ(q.value(2).toString(), "痛风");
    EXPECT_EQ(q.value(3).toString(), "无疲劳 ");
    EXPECT_EQ(q.value(4).toString(), QString(QChar(0x8893)) + "父");
    EXPECT_EQ(q.value(5).toString(), "外婆");
    EXPECT_TRUE(q.value(6).isNull()); // not on this form

    // Shown again from the stored row.
    form.clear();
    EXPECT_FALSE(control<QCheckBox>(form, "qit")->isChecked());
    ASSERT_TRUE(row.load(conn->db(), {{"jkpg_id", 1}, {"bianh", "P1"}}));
    form.load(row);
    EXPECT_TRUE(control<QCheckBox>(form, "qit")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(form, "gaoxy")->isChecked());
    EXPECT_EQ(control<QLineEdit>(form, "qitnr")->text(), "痛风");
    EXPECT_EQ(control<ui::OptionGroup>(form, "pilcd")->value(), "无疲劳 ");
    EXPECT_EQ(control<QComboBox>(form, "jiazs_fp")->currentText(), "外婆");

    // Numbers, through a form of another table.
    ui::Form exam(examForm(), prompts, &window);
    store::RowBuffer examRow("jkpg_tgjc", {"jkpg_id", "bianh"});
    examRow.startNew(conn->db(), {{"jkpg_id", 1}, {"bianh", "P1"}});
    control<QLineEdit>(exam, "sheng")->setText("1.75");
    control<QLineEdit>(exam, "zongdgc")->setText(" 5 ");
    control<QLineEdit>(exam, "xuens")->setText("356");
    ASSERT_TRUE(exam.save(examRow));
    EXPECT_DOUBLE_EQ(examRow.value("sheng").toDouble(), 1.75);
    EXPECT_EQ(examRow.value("zongdgc"), QVariant(qint64(5)));
    EXPECT_TRUE(examRow.value("ganysz").isNull());
    EXPECT_EQ(examRow.value("xuens"), QVariant("356"));
    EXPECT_TRUE(examRow.value("zhifg_bc").isNull());
    examRow.store(conn->db());
    exam.clear();
    ASSERT_TRUE(examRow.load(conn->db(), {{"jkpg_id", 1}, {"bianh", "P1"}}));
    exam.load(examRow);
    EXPECT_EQ(control<QLineEdit>(exam, "sheng")->text(), "1.75");
    EXPECT_EQ(control<QLineEdit>(exam, "zongdgc")->text(), "5");
    EXPECT_TRUE(control<QLineEdit>(exam, "ganysz")->text().isEmpty());
}

TEST_F(FormTest, TheTextBesideATickShowsOnlyWhileItIsTicked)
{
    QWidget window;
    ui::Form form(statusForm(), prompts, &window);
    auto* other = control<QCheckBox>(form, "qit");
    QWidget* name = form.control("qitnr");
    // Beside its tick, in the same cell of the grid.
    EXPECT_EQ(name->parentWidget(), other->parentWidget());
    EXPECT_FALSE(name->isVisibleTo(&window));
    other->setChecked(true);
    EXPECT_TRUE(name->isVisibleTo(&window));
    other->setChecked(false);
    EXPECT_FALSE(name->isVisibleTo(&window));

    store::RowBuffer row("jkpg_mqzk", {"jkpg_id", "bianh"});
    row.startNew(conn->db(), {{"jkpg_id", 1}, {"bianh", "P1"}});
    row.setValue("qit", "其他");
    form.load(row);
    EXPECT_TRUE(name->isVisibleTo(&window));
    row.setValue("qit", "0");
    form.load(row);
    EXPECT_FALSE(name->isVisibleTo(&window));
}

TEST_F(FormTest, RequiredValuesAreCheckedInDeclaredOrderOnTheirPage)
{
    QTabWidget pages;
    auto* first = new QWidget;
    auto* second = new QWidget;
    pages.addTab(first, "1");
    pages.addTab(second, "2");
    new QLineEdit(first);
    ui::Form form(examForm(), prompts, second);
    auto* layout = new QVBoxLayout(second);
    for (QWidget* s : form.sections())
        layout->addWidget(s);
    pages.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pages));

    const struct
    {
        QStringList filled;
        const char* missing; // nullptr: nothing
        const char* message;
    } cases[] = {
        {{}, "sheng", "身高为必填项,带*号的为必填项!"},
        {{"sheng"}, "zongdgc", "总胆固醇为必填项,带*号的为必填项!"},
        {{"sheng", "ganysz"}, "zongdgc", "总胆固醇为必填项,带*号的为必填项!"},
        {{"sheng", "zongdgc"}, "ganysz", "甘油三酯为必填项,带*号的为必填项!"},
        {{"sheng", "zongdgc", "ganysz"}, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filled.join(u' ').toStdString());
        prompts.clear();
        pages.setCurrentIndex(0);
        for (const char* column : {"sheng", "zongdgc", "ganysz"})
            control<QLineEdit>(form, column)->setText(c.filled.contains(column) ? "1" : "  ");
        const bool complete = form.checkRequired();
        if (!c.missing) {
            EXPECT_TRUE(complete);
            EXPECT_TRUE(prompts.records().empty());
            EXPECT_EQ(pages.currentIndex(), 0);
            continue;
        }
        EXPECT_FALSE(complete);
        EXPECT_EQ(form.firstMissing()->column, c.missing);
        ASSERT_EQ(prompts.records().size(), 1u);
        EXPECT_EQ(prompts.records()[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(prompts.records()[0].caption, "");
        EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(pages.currentIndex(), 1);
        EXPECT_EQ(pages.focusWidget(), form.control(c.missing));
    }

    // A number box holding no number is shown the same way when saving.
    prompts.clear();
    pages.setCurrentIndex(0);
    control<QLineEdit>(form, "ganysz")->setText("1,7");
    store::RowBuffer row("jkpg_tgjc", {"jkpg_id", "bianh"});
    row.startNew(conn->db(), {{"jkpg_id", 1}, {"bianh", "P1"}});
    EXPECT_FALSE(form.save(row));
    EXPECT_EQ(prompts.messages(), QStringList({"“甘油三酯”不是有效的数字: 1,7"}));
    EXPECT_EQ(pages.currentIndex(), 1);
    EXPECT_EQ(pages.focusWidget(), form.control("ganysz"));
    EXPECT_TRUE(row.value("sheng").isNull());
}

TEST_F(FormTest, AClickOnAReferenceLabelNamesItsColumn)
{
    QWidget window;
    ui::Form form(examForm(), prompts, &window);
    QSignalSpy clicked(&form, &ui::Form::referenceClicked);
    QTest::mouseClick(form.referenceLabel("ganysz"), Qt::LeftButton);
    QTest::mouseClick(form.referenceLabel("ganysz"), Qt::RightButton);
    QTest::mouseClick(form.referenceLabel("xuens"), Qt::LeftButton);
    ASSERT_EQ(clicked.size(), 2);
    EXPECT_EQ(clicked[0][0].toString(), "ganysz");
    EXPECT_EQ(clicked[1][0].toString(), "xuens");
}

TEST_F(FormTest, AFieldOfNoColumnIsRefusedWhenBuilt)
{
    QWidget window;
    domain::FormDeclaration declared = statusForm();
    declared.sections[0].fields.push_back({.column = "qitt", .caption = "笔误"});
    EXPECT_THROW(ui::Form(declared, prompts, &window), std::logic_error);
    declared = statusForm();
    declared.sections[0].fields.push_back({.column = "jiazs_nzz", .besideTick = "qitnr"});
    EXPECT_THROW(ui::Form(declared, prompts, &window), std::logic_error);
}

} // namespace
