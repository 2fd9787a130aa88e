// The data-analysis window, its assessment list and section dialog, and the
// centre and cover dialogs, against a demo database and scripted prompts.

#include "domain/Audit.h"
#include "report/CentreSettings.h"
#include "reportengine/Report.h"
#include "reportengine/widgets/ReportPreview.h"
#include "sheets/SheetReader.h"
#include "store/Sql.h"
#include "support/CraftedPictures.h"
#include "support/GuiWait.h"
#include "support/SmallDisk.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/report/AnalysisWindow.h"
#include "windows/report/AssessmentListDialog.h"
#include "windows/report/Context.h"
#include "windows/report/GroupSummaryDialog.h"
#include "windows/report/SectionDialog.h"
#include "windows/report/SettingsDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace hra::test {
namespace {

class AnalysisWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        conn = database.connectInitialised(QStringLiteral("window"), true);
        ASSERT_TRUE(conn);
        context = std::make_unique<report::Context>(
            report::Context{*conn, prompts, [this](bool on) { navigation = on; },
                            qEnvironmentVariable("HRA_SOURCE_DIR") + QStringLiteral("/reports")});
        window = std::make_unique<report::AnalysisWindow>(*context);
        window->show();
        record = window->findChild<QLineEdit*>(QStringLiteral("LabEdt_bianh"));
        history = window->findChild<QCheckBox*>(QStringLiteral("Chkbx_lspg"));
        panel = window->findChild<QFrame*>(QStringLiteral("Pnl_jbxx"));
        ASSERT_TRUE(record && history && panel);
    }

    void TearDown() override
    {
        if (window && window->listDialog())
            window->listDialog()->close();
        window.reset();
    }

    // Types the record number and presses Enter, as the operator does.
    void enter(const QString& number)
    {
        record->clear();
        QTest::keyClicks(record, number);
        QTest::keyClick(record, Qt::Key_Return);
    }

    QString shown(const char* name) const
    {
        return window->findChild<QLabel*>(QLatin1String(name))->text();
    }

    TestDatabase database{store::Driver::Sqlite};
    std::unique_ptr<store::Connection> conn;
    ui::ScriptedPromptService prompts;
    std::unique_ptr<report::Context> context;
    std::unique_ptr<report::AnalysisWindow> window;
    QLineEdit* record = nullptr;
    QCheckBox* history = nullptr;
    QFrame* panel = nullptr;
    bool navigation = true;
};

TEST_F(AnalysisWindowTest, ShowingTheWindowSwitchesTheTreeOff)
{
    EXPECT_FALSE(navigation);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(window->selectedAssessment(), 0);
}

TEST_F(AnalysisWindowTest, AnOpenLatestAssessmentIsAnalysedAtOnce)
{
    enter(QStringLiteral("0000000003"));
    EXPECT_TRUE(prompts.messages().isEmpty()) << prompts.messages().join(u'\n').toStdString();
    EXPECT_EQ(window->selectedAssessment(), 3);
    EXPECT_EQ(window->stateText(), QStringLiteral("评估"));
    EXPECT_EQ(window->listDialog(), nullptr);
    EXPECT_TRUE(navigation);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(shown("DBTxt_xingm"), QStringLiteral("王志强"));
    EXPECT_EQ(shown("DBTxt_nianl"), QStringLiteral("35"));
}

TEST_F(AnalysisWindowTest, AnEndedLatestAssessmentListsAllAndTheChoiceIsAnalysed)
{
    enter(QStringLiteral("0000000004"));
    EXPECT_EQ(window->selectedAssessment(), 0);
    EXPECT_EQ(window->stateText(), QStringLiteral("结束"));
    report::AssessmentListDialog* list = window->listDialog();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_FALSE(list->isModal());
    ASSERT_EQ(list->table()->rowCount(), 2);
    EXPECT_EQ(list->table()->item(0, 2)->text(), QStringLiteral("结束"));

    // Enter again does not open a second list.
    QTest::keyClick(record, Qt::Key_Return);
    EXPECT_EQ(window->listDialog(), list);

    list->table()->setCurrentCell(0, 0);
    list->choose();
    EXPECT_EQ(window->selectedAssessment(), 4);
    EXPECT_TRUE(waitUntil([&] { return window->listDialog() == nullptr; }));
}

TEST_F(AnalysisWindowTest, WithHistoryTickedEvenAnOpenAssessmentIsChosenFromTheList)
{
    record->setText(QStringLiteral("0000000001"));
    history->setChecked(true);
    EXPECT_TRUE(record->hasSelectedText());
    QTest::keyClick(record, Qt::Key_Return);
    EXPECT_EQ(window->selectedAssessment(), 0);
    ASSERT_NE(window->listDialog(), nullptr);
    EXPECT_EQ(window->listDialog()->table()->rowCount(), 2);
}

TEST_F(AnalysisWindowTest, AnUnknownRecordIsToldAndTheTreeStaysOff)
{
    navigation = true;
    enter(QStringLiteral("12345"));
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("没有录入信息调查资料或档案不存在!")});
    EXPECT_FALSE(navigation);
    EXPECT_TRUE(panel->isHidden());

    // Enter in an empty box says what is missing.
    prompts.clear();
    record->clear();
    QTest::keyClick(record, Qt::Key_Return);
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("请输入编号后回车!")});
    EXPECT_FALSE(navigation);
}

TEST_F(AnalysisWindowTest, TypingAfterALookupForgetsTheChoice)
{
    enter(QStringLiteral("0000000003"));
    ASSERT_EQ(window->selectedAssessment(), 3);
    history->setChecked(true);
    record->end(false);
    QTest::keyClick(record, Qt::Key_Backspace);
    EXPECT_EQ(window->selectedAssessment(), 0);
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(history->isChecked());
    EXPECT_FALSE(navigation);
}

TEST_F(AnalysisWindowTest, TheHandOverOpensTheAssessmentWithoutTheChangeBehaviour)
{
    history->setChecked(true);
    ASSERT_TRUE(window->analyseAssessment(QStringLiteral("0000000004"), 6, QStringLiteral("结束")));
    EXPECT_EQ(record->text(), QStringLiteral("0000000004"));
    EXPECT_EQ(window->selectedAssessment(), 6);
    EXPECT_EQ(window->stateText(), QStringLiteral("结束"));
    EXPECT_TRUE(history->isChecked());
    EXPECT_TRUE(navigation);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(shown("DBTxt_xingm"), QStringLiteral("刘桂芳"));
    // Handed over to be analysed, the whole report builds without another click.
    EXPECT_TRUE(window->report().isBuilding() || window->preview()->hasPages());
    ASSERT_TRUE(test::waitUntil([this] { return !window->report().isBuilding(); }, 60000));
    EXPECT_TRUE(window->preview()->hasPages());
    EXPECT_GE(window->report().pageCount(), 20);
    EXPECT_TRUE(prompts.messages().isEmpty()) << prompts.messages().join(u'|').toStdString();

    // Later typing has its change behaviour again.
    QTest::keyClicks(record, QStringLiteral("9"));
    EXPECT_FALSE(history->isChecked());
    EXPECT_EQ(window->selectedAssessment(), 0);

    // An assessment of another record is refused and told.
    prompts.clear();
    EXPECT_FALSE(
        window->analyseAssessment(QStringLiteral("0000000004"), 3, QStringLiteral("评估")));
    EXPECT_EQ(prompts.messages().size(), 1);
}

// Sections, printing and export without what they need say what is missing.
TEST_F(AnalysisWindowTest, ActionsWithoutARecordOrReportSayWhatIsMissing)
{
    window->chooseSection(QStringLiteral("高血压"));
    record->setText(QStringLiteral("0000000001")); // typed, Enter not pressed
    window->chooseSection(QStringLiteral("高血压"));
    window->print();
    window->exportPdf();
    const QString nothingBuilt =
        QStringLiteral("还没有生成报告,无法%1!请先输入编号并回车,再在左侧选择分析项目。");
    EXPECT_EQ(prompts.messages(), QStringList({"请先输入编号并回车,再选择分析项目!",
                                               "请在编号框中回车并选择一次评估,再选择分析项目!",
                                               nothingBuilt.arg(QStringLiteral("打印")),
                                               nothingBuilt.arg(QStringLiteral("导出PDF"))}));
    EXPECT_FALSE(window->report().isBuilding());
    EXPECT_FALSE(window->preview()->hasPages());
}

TEST_F(AnalysisWindowTest, TheWholeReportBuildsWhileTheWindowKeepsRunning)
{
    enter(QStringLiteral("0000000001"));
    ASSERT_EQ(window->selectedAssessment(), 5);
    auto* progress = window->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"));
    int progressSeen = 0;
    QObject::connect(&window->report(), &reportengine::Report::progress,
                     [&](int, int) { progressSeen += progress->isVisible() ? 1 : 0; });

    ASSERT_EQ(window->buildSection(QStringLiteral("评估报告")),
              report::AnalysisWindow::BuildStart::Started);
    EXPECT_TRUE(window->report().isBuilding());
    // A second section while this one builds is refused, and the build goes on.
    EXPECT_EQ(window->buildSection(QStringLiteral("高血压")),
              report::AnalysisWindow::BuildStart::Busy);
    // Nor can another assessment be opened under the build's feet.
    enter(QStringLiteral("0000000003"));
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("报表显示完毕后,再选择下一项!")});
    prompts.clear();
    ASSERT_TRUE(waitUntil([&] { return !window->report().isBuilding(); }));
    EXPECT_EQ(window->preview()->pageCount(), 24);
    EXPECT_TRUE(window->report().pageText(1).contains(QStringLiteral("张建国")));
    EXPECT_GT(progressSeen, 0);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(prompts.messages().isEmpty()) << prompts.messages().join(u'\n').toStdString();

    // Exported under the record number, the name and the assessment's date.
    QTemporaryDir dir;
    prompts.answerFile(dir.filePath(QStringLiteral("out.pdf")));
    window->exportPdf();
    ASSERT_FALSE(prompts.records().empty());
    EXPECT_TRUE(prompts.records().front().text.startsWith(QStringLiteral("0000000001_张建国_")))
        << prompts.records().front().text.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("out.pdf"))).size() > 10000);

    window->clearPreview();
    EXPECT_FALSE(window->preview()->hasPages());
}

// An export that finds the disk full says so in the operator's words,
// naming the file, and leaves no part of it.
TEST_F(AnalysisWindowTest, AnExportOntoAFullDiskSaysSoNamingTheFile)
{
    SmallDisk disk;
    if (!disk.mounted())
        GTEST_SKIP() << "no permission to mount a small file system here";
    enter(QStringLiteral("0000000001"));
    ASSERT_EQ(window->buildSection(QStringLiteral("评估报告")),
              report::AnalysisWindow::BuildStart::Started);
    ASSERT_TRUE(
        waitUntil([&] { return !window->report().isBuilding() && window->preview()->hasPages(); }));
    prompts.clear();
    const QString out = disk.path(QStringLiteral("out.pdf"));
    prompts.answerFile(out);
    window->exportPdf();
    EXPECT_EQ(prompts.messages(),
              QStringList{QStringLiteral("导出不成功!磁盘空间不足，无法写入 ") + out});
    EXPECT_EQ(disk.files(), QStringList());
}

TEST_F(AnalysisWindowTest, ABuildCanBeCancelledWithoutAMessage)
{
    enter(QStringLiteral("0000000001"));
    ASSERT_EQ(window->buildSection(QStringLiteral("评估报告")),
              report::AnalysisWindow::BuildStart::Started);
    auto* cancel = window->findChild<QPushButton*>(QStringLiteral("cancelBuild"));
    ASSERT_TRUE(cancel);
    EXPECT_TRUE(cancel->isVisible());
    EXPECT_TRUE(window->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->isVisible());
    cancel->click();
    ASSERT_TRUE(waitUntil([&] { return !window->report().isBuilding(); }));
    if (window->report().wasCancelled()) {
        EXPECT_LT(window->preview()->pageCount(), 24);
    }
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_FALSE(window->findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->isVisible());
    EXPECT_TRUE(prompts.messages().isEmpty()) << prompts.messages().join(u'\n').toStdString();
    // The window is free for the next build, which runs to its end.
    ASSERT_EQ(window->buildSection(QStringLiteral("评估报告")),
              report::AnalysisWindow::BuildStart::Started);
    ASSERT_TRUE(waitUntil([&] { return !window->report().isBuilding(); }));
    EXPECT_FALSE(window->report().wasCancelled());
    EXPECT_EQ(window->preview()->pageCount(), 24);
}

TEST_F(AnalysisWindowTest, TheSectionDialogBuildsTheNamedSectionOrTellsToWait)
{
    enter(QStringLiteral("0000000003"));
    report::SectionDialog dialog(window.get(), prompts);
    dialog.setSectionName(QStringLiteral("高血压"));
    dialog.confirm();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    ASSERT_TRUE(window->report().isBuilding());

    report::SectionDialog second(window.get(), prompts);
    second.setSectionName(QStringLiteral("糖尿病"));
    second.confirm();
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("报表显示完毕后,再选择下一项!")});
    ASSERT_TRUE(waitUntil([&] { return !window->report().isBuilding(); }));
    EXPECT_EQ(window->report().templatePageNames().size(), 3);
    EXPECT_TRUE(window->report().pageText(0).contains(QStringLiteral("高血压")));
}

TEST_F(AnalysisWindowTest, ASectionBuiltBeforeAnAssessmentIsChosenPrintsWithoutData)
{
    enter(QStringLiteral("0000000004"));
    ASSERT_NE(window->listDialog(), nullptr);
    ASSERT_EQ(window->buildSection(QStringLiteral("高血压")),
              report::AnalysisWindow::BuildStart::Started);
    ASSERT_TRUE(waitUntil([&] { return !window->report().isBuilding(); }));
    ASSERT_GT(window->preview()->pageCount(), 0);
    EXPECT_FALSE(window->report().pageText(0).contains(QStringLiteral("刘桂芳")));
    EXPECT_TRUE(prompts.messages().isEmpty()) << prompts.messages().join(u'\n').toStdString();
}

TEST_F(AnalysisWindowTest, AnEvaluationWithoutResultIsToldOnceAfterTheBuild)
{
    store::run(conn->db(),
               QStringLiteral("update jkpg_jbxx set xingb=NULL where bianh='0000000003'"));
    enter(QStringLiteral("0000000003"));
    ASSERT_EQ(window->buildSection(QStringLiteral("运动分析")),
              report::AnalysisWindow::BuildStart::Started);
    ASSERT_TRUE(waitUntil([&] { return !window->report().isBuilding(); }));
    EXPECT_GT(window->preview()->pageCount(), 0);
    ASSERT_EQ(prompts.messages().size(), 1) << prompts.messages().join(u'\n').toStdString();
    EXPECT_TRUE(prompts.messages().first().contains(QStringLiteral("运动处方")));
}

TEST_F(AnalysisWindowTest, CentreDialogRefusesABlankNameAndSavesATrimmedOne)
{
    report::CentreDialog dialog(*context);
    EXPECT_EQ(dialog.nameBox()->text(), QStringLiteral("示例健康管理评估中心"));
    dialog.nameBox()->setText(QStringLiteral("   "));
    dialog.save();
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("单位名称不能为空！")});
    EXPECT_TRUE(dialog.nameBox()->text().isEmpty());
    EXPECT_EQ(report::loadCentre(*conn).name, QStringLiteral("示例健康管理评估中心"));

    prompts.clear();
    dialog.nameBox()->setText(QStringLiteral(" 城东中心 "));
    dialog.save();
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("单位名称设置成功！")});
    EXPECT_EQ(report::loadCentre(*conn).name, QStringLiteral("城东中心"));
}

TEST_F(AnalysisWindowTest, CoverDialogPreviewsWhatIsStoredNotWhatIsChosen)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("cover.png"));
    QImage red(50, 70, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(png));

    report::CoverDialog dialog(*context);
    dialog.save(); // nothing chosen: nothing happens
    EXPECT_TRUE(prompts.messages().isEmpty());

    prompts.answerFile(png);
    dialog.choosePicture();
    EXPECT_FALSE(dialog.chosenJpeg().isEmpty());
    dialog.previewStored();
    EXPECT_EQ(prompts.messages(),
              QStringList{QStringLiteral("没有图片可预览,请先选择图片并保存后预览！")});

    prompts.clear();
    dialog.save();
    dialog.save();
    EXPECT_EQ(prompts.messages(),
              (QStringList{QStringLiteral("保存成功！"), QStringLiteral("保存成功！")}));
    EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("select count(*) from sys_bgfm")).toInt(),
              1);
    prompts.clear();
    dialog.previewStored();
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_FALSE(dialog.storedImage()->pixmap().isNull());
}

// The cover lives in the shared database: a picture that claims more pixels
// than can be decoded is refused wherever it is met, never decoded.
TEST_F(AnalysisWindowTest, CoverDialogRefusesAPictureTooLargeToDecode)
{
    const QByteArray huge = jpegClaiming(60000, 60000);
    ASSERT_LT(huge.size(), 1000);
    const QString told = QStringLiteral("图片无法读取！图片尺寸过大（60000×60000像素）");

    report::saveCover(*conn, huge);
    report::CoverDialog dialog(*context);
    EXPECT_EQ(prompts.messages(), QStringList{told});
    EXPECT_TRUE(dialog.chosenJpeg().isEmpty());

    prompts.clear();
    dialog.previewStored();
    EXPECT_EQ(prompts.messages(), QStringList{told});
    EXPECT_TRUE(dialog.storedImage()->pixmap().isNull());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.jpg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(huge);
    file.close();
    prompts.clear();
    prompts.answerFile(path);
    dialog.choosePicture();
    EXPECT_EQ(prompts.messages(), QStringList{told});
    EXPECT_TRUE(dialog.chosenJpeg().isEmpty());
}

} // namespace
} // namespace hra::test

namespace hra::test {

// 团体报告: the unit typed or chosen, its tables as an Excel book and its
// pages in the preview; no unit is asked for.
TEST(GroupSummaryDialog, ExportsTheUnitsBookAndPreviewsItsPages)
{
    TestDatabase database{store::Driver::Sqlite};
    auto conn = database.connectInitialised(QStringLiteral("group"), true);
    ASSERT_TRUE(conn);
    ui::ScriptedPromptService prompts;
    report::Context context{*conn, prompts, [](bool) {},
                            qEnvironmentVariable("HRA_SOURCE_DIR") + QStringLiteral("/reports")};
    report::GroupSummaryDialog dialog(context);
    dialog.show();
    auto* unit = dialog.findChild<QComboBox*>(QStringLiteral("danw"));
    ASSERT_TRUE(unit);
    // The units of the stored persons, in order.
    ASSERT_EQ(unit->count(), 4);
    EXPECT_EQ(unit->itemText(2), QStringLiteral("示例科技有限公司"));

    unit->setCurrentText(QString());
    dialog.exportBook();
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("请选择工作单位!")});

    prompts.clear();
    QTemporaryDir dir;
    const QString book = dir.filePath(QStringLiteral("tjhz.xlsx"));
    prompts.answerFile(book);
    unit->setCurrentText(QStringLiteral("示例科技有限公司"));
    dialog.exportBook();
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("导出成功!")});
    const sheets::Sheet who = sheets::readSheet(book, {{}, QStringLiteral("人员构成")});
    ASSERT_EQ(who.rows.size(), 9);
    EXPECT_EQ(who.rows[1].cells, (QStringList{"合计", "1"}));
    EXPECT_EQ(who.rows[2].cells, (QStringList{"男", "1"}));
    EXPECT_EQ(who.rows[5].cells, (QStringList{"30-39岁", "1"}));

    dialog.preview();
    auto* preview = dialog.findChild<report::GroupSummaryPreview*>();
    ASSERT_TRUE(preview);
    ASSERT_TRUE(waitUntil([&] { return !preview->report().isBuilding(); }, 30000));
    ASSERT_EQ(preview->report().pageCount(), 4);
    EXPECT_TRUE(preview->report().pageText(0).contains(QStringLiteral("示例科技有限公司")));
    EXPECT_TRUE(preview->report().pageText(1).contains(QStringLiteral("1/1 (100.0%)")));
    prompts.clear();
    prompts.answerFile(dir.filePath(QStringLiteral("tjhz.pdf")));
    preview->exportPdf();
    ASSERT_TRUE(waitUntil([&] { return !preview->isExporting(); }, 30000));
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("导出成功!")});
    preview->close();

    // Both files are in the operation log, the newest first.
    const std::vector<domain::AuditRow> log = domain::auditPage(conn->db(), {}, std::nullopt, 2);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].action, QStringLiteral("export_pdf"));
    EXPECT_EQ(log[0].detail, QStringLiteral("团体报告 示例科技有限公司 全部日期 → tjhz.pdf"));
    EXPECT_EQ(log[1].action, QStringLiteral("view"));
    EXPECT_EQ(log[1].detail, QStringLiteral("团体报告 示例科技有限公司 全部日期 → tjhz.xlsx"));
}

} // namespace hra::test
