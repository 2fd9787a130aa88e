#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "ui/FieldBinding.h"
#include "ui/OptionGroup.h"
#include "ui/PromptService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

using namespace hra;

class FieldBindingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        conn = db.connect();
        ASSERT_TRUE(conn);
        store::execute(
            conn->db(),
            QStringLiteral("create table t (id varchar(10) primary key, name varchar(10), "
                           "age numeric, job varchar(20), fatigue varchar(20), "
                           "asthma varchar(20))"));
        name = new QLineEdit(&window);
        age = new QLineEdit(&window);
        job = new QComboBox(&window);
        job->setEditable(true);
        job->addItems({QStringLiteral("工人"), QStringLiteral("农民")});
        fatigue = new ui::OptionGroup(QStringLiteral("疲劳"),
                                      {QStringLiteral("轻度"), QStringLiteral("重度")}, 2, &window);
        asthma = new QCheckBox(QStringLiteral("哮喘"), &window);
        binding.text(name, QStringLiteral("name"));
        binding.number(age, QStringLiteral("age"), QStringLiteral("年龄"));
        binding.choice(job, QStringLiteral("job"));
        binding.options(fatigue, QStringLiteral("fatigue"));
        binding.tick(asthma, QStringLiteral("asthma"));
        row.startNew(conn->db(), {{"id", QStringLiteral("1")}});
        binding.load(row); // as a window does for a new row: the drop-down shows no option
    }

    test::TestDatabase db{store::Driver::Sqlite};
    std::unique_ptr<store::Connection> conn;
    QWidget window;
    ui::ScriptedPromptService prompts;
    ui::FieldBinding binding{prompts, &window};
    store::RowBuffer row{QStringLiteral("t"), {QStringLiteral("id")}};
    QLineEdit* name = nullptr;
    QLineEdit* age = nullptr;
    QComboBox* job = nullptr;
    ui::OptionGroup* fatigue = nullptr;
    QCheckBox* asthma = nullptr;
};

TEST_F(FieldBindingTest, StoresEachKindByItsConvention)
{
    name->setText(QStringLiteral("张三"));
    age->setText(QStringLiteral(" 45 "));
    job->setCurrentText(QStringLiteral("自由职业")); // typed text not in the list is kept
    fatigue->button(1)->click();
    ASSERT_TRUE(binding.save(row));
    row.store(conn->db());

    QSqlQuery q =
        store::run(conn->db(), QStringLiteral("select name, age, job, fatigue, asthma from t"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("张三"));
    EXPECT_EQ(q.value(1).toInt(), 45);
    EXPECT_EQ(q.value(2).toString(), QStringLiteral("自由职业"));
    EXPECT_EQ(q.value(3).toString(), QStringLiteral("重度"));
    EXPECT_EQ(q.value(4).toString(), QStringLiteral("0")); // unticked box
}

TEST_F(FieldBindingTest, EmptyControlsStoreNullAndATickStoresItsCaption)
{
    asthma->setChecked(true);
    fatigue->button(0)->click();
    QTest::mouseClick(fatigue->button(0), Qt::RightButton); // right click clears the choice
    ASSERT_TRUE(binding.save(row));
    EXPECT_TRUE(row.value(QStringLiteral("name")).isNull());
    EXPECT_TRUE(row.value(QStringLiteral("age")).isNull());
    EXPECT_TRUE(row.value(QStringLiteral("job")).isNull());
    EXPECT_TRUE(row.value(QStringLiteral("fatigue")).isNull());
    EXPECT_EQ(row.value(QStringLiteral("asthma")).toString(), QStringLiteral("哮喘"));
}

TEST_F(FieldBindingTest, ANumberThatIsNotOneIsRefusedAndNothingIsWritten)
{
    name->setText(QStringLiteral("李四"));
    age->setText(QStringLiteral("四十"));
    window.show();
    EXPECT_FALSE(binding.save(row));
    EXPECT_TRUE(row.value(QStringLiteral("name")).isNull());
    ASSERT_EQ(prompts.records().size(), 1u);
    EXPECT_EQ(prompts.records()[0].caption, QStringLiteral("出错提示"));
    EXPECT_TRUE(prompts.records()[0].text.contains(QStringLiteral("年龄")));
    EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Critical);
}

TEST_F(FieldBindingTest, LoadShowsStoredValues)
{
    store::run(conn->db(),
               QStringLiteral("insert into t values ('2', '王五', 60, '农民', '轻度', '哮喘')"));
    ASSERT_TRUE(row.load(conn->db(), {{"id", QStringLiteral("2")}}));
    binding.load(row);
    EXPECT_EQ(name->text(), QStringLiteral("王五"));
    EXPECT_EQ(age->text(), QStringLiteral("60"));
    EXPECT_EQ(job->currentText(), QStringLiteral("农民"));
    EXPECT_EQ(fatigue->value(), QStringLiteral("轻度"));
    EXPECT_TRUE(asthma->isChecked());

    // A stored answer that is no longer among the options shows no choice.
    store::run(conn->db(), QStringLiteral("update t set fatigue = '很累' where id = '2'"));
    ASSERT_TRUE(row.load(conn->db(), {{"id", QStringLiteral("2")}}));
    binding.load(row);
    EXPECT_TRUE(fatigue->value().isNull());
}

// The binding knows whether the controls hold something else than was
// loaded: each kind of control counts, a number as a number, and putting a
// control back as it was counts as no change.
TEST_F(FieldBindingTest, KnowsWhatChangedSinceTheLoad)
{
    EXPECT_FALSE(binding.isModified());
    const struct
    {
        const char* what;
        std::function<void()> change;
        std::function<void()> undo;
        const char* column;
    } cases[] = {
        {"text", [this] { name->setText(QStringLiteral("张")); }, [this] { name->clear(); },
         "name"},
        {"number", [this] { age->setText(QStringLiteral("4o")); }, [this] { age->clear(); }, "age"},
        {"drop-down", [this] { job->setCurrentText(QStringLiteral("外公")); },
         [this] { job->setCurrentText(QString()); }, "job"},
        {"option", [this] { fatigue->setValue(QStringLiteral("重度")); },
         [this] { fatigue->setValue(QString()); }, "fatigue"},
        {"tick", [this] { asthma->setChecked(true); }, [this] { asthma->setChecked(false); },
         "asthma"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.change();
        EXPECT_TRUE(binding.isModified());
        EXPECT_EQ(binding.changes().keys(), QStringList{QString::fromLatin1(c.column)});
        c.undo();
        EXPECT_FALSE(binding.isModified());
    }

    row.setValue(QStringLiteral("age"), 70);
    binding.load(row);
    age->setText(QStringLiteral("70.0")); // the same number
    EXPECT_FALSE(binding.isModified());
    age->setText(QStringLiteral("72.5"));
    name->setText(QStringLiteral("王五"));
    EXPECT_TRUE(binding.isModified());

    // What was typed goes onto another row loaded under it; storing marks it unchanged.
    const QHash<QString, QVariant> typed = binding.changes();
    binding.clear();
    EXPECT_FALSE(binding.isModified());
    binding.applyChanges(typed);
    EXPECT_EQ(age->text(), "72.5");
    EXPECT_EQ(name->text(), "王五");
    EXPECT_TRUE(binding.isModified());
    ASSERT_TRUE(binding.save(row));
    binding.markUnchanged();
    EXPECT_FALSE(binding.isModified());
    EXPECT_DOUBLE_EQ(row.value(QStringLiteral("age")).toDouble(), 72.5);
}
