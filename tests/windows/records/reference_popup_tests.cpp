#include "RecordsFixture.h"
#include "store/Sql.h"
#include "windows/questionnaire/ReferencePopup.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace hra;
using test::RecordsFixture;

namespace {

class ReferenceRange : public RecordsFixture
{
protected:
    // Runs the editor, typing into the popup once it shows and pressing a button.
    QString edit(const QString& column, const QStringList& values, const char* button)
    {
        QTimer::singleShot(0, [&] {
            auto* popup =
                qobject_cast<questionnaire::ReferencePopup*>(QApplication::activeModalWidget());
            ASSERT_TRUE(popup);
            EXPECT_EQ(popup->windowTitle(), "参考值");
            // A second request while the popup is open does nothing.
            EXPECT_TRUE(
                questionnaire::editReferenceRange(*conn, prompts, nullptr, "jkpg_tgjc", column)
                    .isNull());
            const char* fields[] = {"min_value", "max_value", "danw"};
            for (int i = 0; i < values.size(); ++i)
                popup->field(fields[i])->setText(values[i]);
            popup->findChild<QPushButton*>(button)->click();
        });
        return questionnaire::editReferenceRange(*conn, prompts, nullptr, "jkpg_tgjc", column);
    }

    QVariant stored(const QString& column, const char* field)
    {
        return store::scalar(
            conn->db(),
            QStringLiteral("select %1 from jkpg_sjzd where biaomc = 'jkpg_tgjc' and duiyzd = :c")
                .arg(QLatin1String(field)),
            {{"c", column}});
    }
};

TEST_P(ReferenceRange, StoresTheRangeTextAndReturnsIt)
{
    store::run(conn->db(),
               "delete from jkpg_sjzd where biaomc = 'jkpg_tgjc' and duiyzd in ('kfxt', 'xyz')");

    // A column without a row gets a new one.
    EXPECT_EQ(edit("kfxt", {"3.90", "6.1", "mmol/L"}, "save"), "3.9-6.1mmol/L");
    EXPECT_EQ(stored("kfxt", "duiyz").toString(), "3.9-6.1mmol/L");
    EXPECT_DOUBLE_EQ(stored("kfxt", "min_value").toDouble(), 3.9);

    // An existing row is updated in place.
    EXPECT_EQ(edit("kfxt", {"4", "140.00", "mmol/L"}, "save"), "4-140mmol/L");
    EXPECT_EQ(
        store::scalar(conn->db(), "select count(*) from jkpg_sjzd where duiyzd = 'kfxt'").toInt(),
        1);
    EXPECT_EQ(stored("kfxt", "duiyz").toString(), "4-140mmol/L");

    // Closed without storing: the popup's values come back, the row is unchanged.
    EXPECT_EQ(edit("kfxt", {"5", "7", "x"}, "close"), "5-7x");
    EXPECT_EQ(stored("kfxt", "duiyz").toString(), "4-140mmol/L");
    EXPECT_EQ(edit("xyz", {}, "close"), "-");
    EXPECT_FALSE(stored("xyz", "duiyz").isValid());
}

// The manager on another workstation stored the range while this popup was
// open: nothing is stored over it and the popup says so.
TEST_P(ReferenceRange, ARangeChangedElsewhereIsNotOverwritten)
{
    EXPECT_EQ(edit("kfxt", {"3.9", "6.1", "mmol/L"}, "save"), "3.9-6.1mmol/L");
    prompts.clear();
    bool stayedOpen = false;
    QTimer::singleShot(0, [&] {
        auto* popup =
            qobject_cast<questionnaire::ReferencePopup*>(QApplication::activeModalWidget());
        ASSERT_TRUE(popup);
        store::run(conn->db(), "update jkpg_sjzd set max_value = 7, banb = banb + 1 "
                               "where biaomc = 'jkpg_tgjc' and duiyzd = 'kfxt'");
        popup->field("min_value")->setText("3");
        popup->findChild<QPushButton*>("save")->click();
        stayedOpen = popup->isVisible();
        popup->findChild<QPushButton*>("close")->click();
    });
    questionnaire::editReferenceRange(*conn, prompts, nullptr, "jkpg_tgjc", "kfxt");
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(prompts.messages(),
              QStringList({"该记录已被其他工作站修改!本次未保存,请关闭后重新打开参考值再修改。"}));
    EXPECT_DOUBLE_EQ(stored("kfxt", "min_value").toDouble(), 3.9);
    EXPECT_DOUBLE_EQ(stored("kfxt", "max_value").toDouble(), 7);
}

INSTANTIATE_TEST_SUITE_P(Backends, ReferenceRange, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

} // namespace
