#include "reportengine/Report.h"
#include "reportengine/widgets/PreviewDialog.h"
#include "support/GuiWait.h"
#include "ui/PromptService.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/Desktop.h"
#include "windows/shell/MainWindow.h"
#include "windows/shell/WindowRegistry.h"
#include "windows/shell/WorkWindows.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace hra;
using app::Presentation;
using test::waitUntil;

namespace {

class RecordingDesktop : public app::Desktop
{
public:
    void openDocument(const QString& path) override { opened << path; }
    void startProgram(const QString& path, const QStringList& arguments) override
    {
        started << (QStringList{path} + arguments).join(QLatin1Char(' '));
    }
    QStringList opened;
    QStringList started;
};

// What the dummy windows of a test saw.
struct Journal
{
    QStringList created;
    QStringList closed;
    QList<int> sections;
    QString sectionName;
    QString recordNumber;
    int previewClears = 0;
    // Kinds whose windows stay open when asked to close (an operator keeping changes).
    QStringList refusing;
};

class DummyWindow : public QWidget
{
public:
    DummyWindow(Journal& journal, QString kind) : m_journal(journal), m_kind(std::move(kind))
    {
        m_journal.created << m_kind;
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (m_journal.refusing.contains(m_kind)) {
            event->ignore();
            return;
        }
        m_journal.closed << m_kind;
        QWidget::closeEvent(event);
    }

    Journal& m_journal;
    QString m_kind;
};

class DummyQuestionnaire : public DummyWindow, public app::QuestionnaireView
{
public:
    using DummyWindow::DummyWindow;
    void showSection(int index) override { m_journal.sections << index; }
};

class DummyAnalysis : public DummyWindow, public app::AnalysisView
{
public:
    using DummyWindow::DummyWindow;
    QString recordNumber() const override { return m_journal.recordNumber; }
    void clearPreview() override { ++m_journal.previewClears; }
    bool analyseAssessment(const QString&, qint32, const QString&) override { return false; }
    void chooseSection(const QString& section) override { m_journal.sectionName = section; }
};

// A modal dialog that closes itself once shown, as an operator would.
class DummyDialog : public QDialog, public app::SectionReportView
{
public:
    DummyDialog(Journal& journal, QString kind) : m_journal(journal), m_kind(std::move(kind))
    {
        m_journal.created << m_kind;
    }
    void setSectionName(const QString& name) override { m_journal.sectionName = name; }

protected:
    void showEvent(QShowEvent* event) override
    {
        QDialog::showEvent(event);
        QTimer::singleShot(0, this, &QDialog::accept);
    }

private:
    Journal& m_journal;
    QString m_kind;
};

class MainWindowFixture : public ::testing::Test
{
protected:
    MainWindowFixture()
    {
        using namespace app::kinds;
        for (const QString& kind :
             {createRecord, modifyRecord, deleteRecord, browseRecords, groupImport})
            addChild<DummyWindow>(kind);
        addChild<DummyQuestionnaire>(questionnaire);
        addChild<DummyAnalysis>(analysis);
        for (const QString& kind : {reportSection, query, centreSettings, coverSettings, operators,
                                    auditLog, groupSummary})
            registry.add(kind, Presentation::Modal, [this, kind](app::AppContext&, app::Shell&) {
                return new DummyDialog(journal, kind);
            });
        context.session.currentOperatorCode = QStringLiteral("rootadm");
        window = std::make_unique<app::MainWindow>(context, registry);
        window->resize(1200, 800);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename W> void addChild(const QString& kind)
    {
        registry.add(kind, Presentation::ChildWindow,
                     [this, kind](app::AppContext&, app::Shell&) { return new W(journal, kind); });
    }

    app::NavigationTree* tree() const { return window->tree(); }

    QTreeWidgetItem* node(const QString& text) const
    {
        const auto found = tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    void click(QTreeWidgetItem* item)
    {
        ASSERT_TRUE(item);
        const QPoint at = tree()->visualItemRect(item).center();
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, at);
    }

    void trigger(const char* actionName)
    {
        auto* action = window->findChild<QAction*>(QString::fromLatin1(actionName));
        ASSERT_TRUE(action) << actionName;
        action->trigger();
    }

    int childCount() const { return int(window->mdiArea()->subWindowList().size()); }

    Journal journal;
    app::WindowRegistry registry;
    ui::ScriptedPromptService prompts;
    RecordingDesktop desktop;
    app::AppContext context{prompts, desktop, QStringLiteral("/opt/hra")};
    std::unique_ptr<app::MainWindow> window;
};

} // namespace

TEST_F(MainWindowFixture, MenusAndToolbarInTheirOrder)
{
    QStringList menus;
    for (QAction* a : window->menuBar()->actions()) {
        QString line = a->text();
        if (a->menu())
            for (QAction* item : a->menu()->actions())
                line += u'|' + item->text();
        menus << line;
    }
    EXPECT_EQ(
        menus,
        (QStringList{QStringLiteral("基本信息|健康问卷|建立档案|批量导入|退出"),
                     QStringLiteral("信息调查"), QStringLiteral("数据分析"),
                     QStringLiteral("信息查询"),
                     QStringLiteral("系统管理|操作员|备份恢复|操作日志|评估中心设置|报告封面设置"),
                     QStringLiteral("帮助|参考文献|评估帮助|关于")}));

    auto* bar = window->findChild<QToolBar*>(QStringLiteral("ToolBar"));
    ASSERT_TRUE(bar);
    QStringList captions;
    for (QAction* a : bar->actions()) {
        captions << a->text();
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(a));
        ASSERT_TRUE(button);
        EXPECT_EQ(button->size(), QSize(91, 51));
        EXPECT_EQ(bar->iconSize(), QSize(32, 32));
    }
    EXPECT_EQ(captions, (QStringList{QStringLiteral("健康问卷"), QStringLiteral("   建立档案   "),
                                     QStringLiteral("信息调查"), QStringLiteral("数据分析"),
                                     QStringLiteral("信息查询"), QStringLiteral("退出系统")}));
    EXPECT_EQ(tree()->parentWidget()->width(), 145);
}

TEST_F(MainWindowFixture, EachAreaBuildsItsTreeAndTheQueryKeepsTheMode)
{
    struct Case
    {
        void (app::MainWindow::*action)();
        app::TreeMode mode;
        QStringList nodes;
        int height;
    };
    const Case cases[] = {
        {&app::MainWindow::openCreateRecord, app::TreeMode::Records,
         QStringList{"档案管理", "建立档案", "修改档案", "删除档案", "浏览档案", "批量导入"}, 60},
        {&app::MainWindow::openQuestionnaire, app::TreeMode::Questionnaire,
         QStringList{"信息调查", "当前状况", "膳食营养", "运动方式", "生活习惯", "体格检查"}, 60},
        {&app::MainWindow::openAnalysis, app::TreeMode::Analysis,
         QStringList{"数据分析", "封面前言", "当前状况", "代谢紊乱", "高血压", "糖尿病", "冠心病",
                     "动脉粥样化", "脑卒中", "膳食营养", "运动分析", "评估建议", "评估报告",
                     "风险预测与趋势", "团体报告"},
         40},
    };
    for (const Case& c : cases) {
        (window.get()->*c.action)();
        SCOPED_TRACE(c.nodes.first().toStdString());
        EXPECT_EQ(tree()->mode(), c.mode);
        EXPECT_EQ(tree()->nodeTexts(), c.nodes);
        QTreeWidgetItem* root = tree()->topLevelItem(0);
        EXPECT_TRUE(root->isExpanded());
        EXPECT_EQ(tree()->visualItemRect(root->child(0)).height(), c.height);
        EXPECT_EQ(tree()->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    window->openQuery();
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
    EXPECT_EQ(tree()->mode(), app::TreeMode::Analysis);
    EXPECT_EQ(journal.created.count(app::kinds::query), 1);
    // A click on the empty tree does nothing.
    journal.created.clear();
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, QPoint(40, 20));
    EXPECT_TRUE(journal.created.isEmpty());
}

TEST_F(MainWindowFixture, TheTreeIsSwitchedOnByRecordsAndQuestionnaireOnly)
{
    window->setNavigationEnabled(false);
    window->openAnalysis();
    EXPECT_FALSE(tree()->isEnabled());
    window->openCreateRecord();
    EXPECT_TRUE(tree()->isEnabled());
    window->setNavigationEnabled(false);
    window->openQuestionnaire();
    EXPECT_TRUE(tree()->isEnabled());
}

TEST_F(MainWindowFixture, ChildWindowsCloseLastToFirst)
{
    using namespace app::kinds;
    for (const QString& kind : {createRecord, questionnaire, analysis})
        window->openWindow(kind);
    ASSERT_EQ(childCount(), 3);
    window->closeAllChildWindows();
    EXPECT_EQ(journal.closed, (QStringList{analysis, questionnaire, createRecord}));
    for (const QString& kind : {createRecord, questionnaire, analysis})
        EXPECT_EQ(window->window(kind), nullptr);
    EXPECT_TRUE(waitUntil([this] { return childCount() == 0; }));
}

TEST_F(MainWindowFixture, EachKindOpensOnceUntilItClosesItself)
{
    QWidget* first = window->openWindow(app::kinds::createRecord);
    ASSERT_TRUE(first);
    EXPECT_EQ(window->openWindow(app::kinds::createRecord), first);
    EXPECT_EQ(childCount(), 1);
    EXPECT_EQ(journal.created.count(app::kinds::createRecord), 1);
    EXPECT_EQ(window->mdiArea()->subWindowList().first()->pos(), QPoint(0, 0));

    first->close(); // the window's own close button
    EXPECT_TRUE(waitUntil([this] { return childCount() == 0; }));
    EXPECT_EQ(window->window(app::kinds::createRecord), nullptr);
    EXPECT_NE(window->openWindow(app::kinds::createRecord), nullptr);
    EXPECT_EQ(journal.created.count(app::kinds::createRecord), 2);

    // An area nobody registered yet opens nothing.
    app::WindowRegistry empty;
    app::MainWindow bare(context, empty);
    bare.openQuestionnaire();
    EXPECT_TRUE(bare.mdiArea()->subWindowList().isEmpty());
}

TEST_F(MainWindowFixture, RecordNodesReopenTheirWindowEvenWhenAlreadySelected)
{
    window->openCreateRecord();
    EXPECT_TRUE(journal.created.isEmpty()); // the area alone opens nothing
    click(node(QStringLiteral("建立档案")));
    EXPECT_EQ(journal.created, QStringList{app::kinds::createRecord});

    window->closeAllChildWindows();
    click(node(QStringLiteral("建立档案"))); // the selected node again
    EXPECT_EQ(journal.created, (QStringList{app::kinds::createRecord, app::kinds::createRecord}));
    EXPECT_NE(window->window(app::kinds::createRecord), nullptr);

    click(node(QStringLiteral("浏览档案")));
    EXPECT_EQ(journal.created.last(), app::kinds::browseRecords);
    EXPECT_EQ(window->window(app::kinds::createRecord), nullptr);

    click(node(QStringLiteral("档案管理"))); // the root only closes
    EXPECT_EQ(window->window(app::kinds::browseRecords), nullptr);
    EXPECT_EQ(journal.created.size(), 3);

    // Building the tree again closes the open windows and opens none.
    click(node(QStringLiteral("修改档案")));
    window->openCreateRecord();
    EXPECT_EQ(window->window(app::kinds::modifyRecord), nullptr);
    EXPECT_EQ(journal.created.size(), 4);

    click(node(QStringLiteral("批量导入")));
    EXPECT_EQ(journal.created.last(), app::kinds::groupImport);
    window->closeAllChildWindows();
    window->findChild<QAction*>(QStringLiteral("N_pldr"))->trigger();
    EXPECT_EQ(tree()->mode(), app::TreeMode::Records);
    EXPECT_EQ(journal.created.size(), 6);
    EXPECT_NE(window->window(app::kinds::groupImport), nullptr);
}

TEST_F(MainWindowFixture, QuestionnaireNodesSwitchThePage)
{
    window->openQuestionnaire();
    EXPECT_EQ(journal.created, QStringList{app::kinds::questionnaire});
    click(node(QStringLiteral("生活习惯")));
    click(node(QStringLiteral("当前状况")));
    click(node(QStringLiteral("信息调查")));
    EXPECT_EQ(journal.sections, (QList<int>{3, 0}));
    EXPECT_EQ(journal.created.size(), 1);
}

// A section node is handed to the analysis window to build at once; no
// dialog asks for 确定 in between.
TEST_F(MainWindowFixture, SectionNodesBuildWithoutAskingAgain)
{
    window->openAnalysis();
    EXPECT_NE(window->window(app::kinds::analysis), nullptr);
    click(node(QStringLiteral("数据分析"))); // the root builds no section
    EXPECT_EQ(journal.sectionName, QString());
    click(node(QStringLiteral("高血压")));
    EXPECT_EQ(journal.sectionName, QStringLiteral("高血压"));
    click(node(QStringLiteral("评估报告")));
    EXPECT_EQ(journal.sectionName, QStringLiteral("评估报告"));
    EXPECT_EQ(journal.created.count(app::kinds::reportSection), 0);
    // The group summary is no section: its own dialog opens.
    click(node(QStringLiteral("团体报告")));
    EXPECT_EQ(journal.sectionName, QStringLiteral("评估报告"));
    EXPECT_EQ(journal.created.count(app::kinds::groupSummary), 1);
}

// A child window kept open (its operator chose 取消 for its changes) keeps
// its area: another area, leaving the program and the backup program all
// wait for it.
TEST_F(MainWindowFixture, AWindowKeptOpenStopsAreaChangesExitAndBackup)
{
    const QString& interview = app::kinds::questionnaire;
    window->openQuestionnaire();
    journal.refusing << interview;
    window->openCreateRecord();
    EXPECT_EQ(tree()->mode(), app::TreeMode::Questionnaire);
    EXPECT_NE(window->window(interview), nullptr);
    window->openAnalysis();
    window->openQuery();
    EXPECT_EQ(journal.created.count(app::kinds::analysis), 0);
    EXPECT_EQ(journal.created.count(app::kinds::query), 0);
    EXPECT_NE(window->window(interview), nullptr);

    trigger("Act_tcxt");
    EXPECT_TRUE(window->isVisible());
    trigger("N_bfhf");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(desktop.started.isEmpty());

    journal.refusing.clear();
    trigger("N_bfhf");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(journal.closed, QStringList{interview});
    EXPECT_EQ(desktop.started.size(), 1);
}

TEST_F(MainWindowFixture, ManagerItemsRefuseOtherOperatorsWithoutSideEffects)
{
    window->openCreateRecord();
    click(node(QStringLiteral("建立档案")));
    for (const char* item : {"N_pgzx", "N_bgfm", "N_bfhf", "N_czrz"}) {
        SCOPED_TRACE(item);
        context.session.currentOperatorCode = QStringLiteral("ROOTADM");
        prompts.clear();
        trigger(item);
        ASSERT_EQ(prompts.records().size(), 1u);
        EXPECT_EQ(prompts.records()[0].text, QStringLiteral("只有管理员才能进行此操作!"));
        EXPECT_EQ(prompts.records()[0].caption, QStringLiteral("提示信息"));
        EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Information);
        EXPECT_EQ(prompts.records()[0].buttons, QMessageBox::Ok);
        EXPECT_NE(window->window(app::kinds::createRecord), nullptr);
        EXPECT_EQ(tree()->topLevelItemCount(), 1);
    }
    EXPECT_EQ(journal.created.count(app::kinds::centreSettings) +
                  journal.created.count(app::kinds::coverSettings) +
                  journal.created.count(app::kinds::auditLog),
              0);
    EXPECT_TRUE(desktop.started.isEmpty()); // no backup program either
    EXPECT_TRUE(window->isVisible());

    context.session.currentOperatorCode = QStringLiteral("rootadm");
    prompts.clear();
    trigger("N_pgzx");
    EXPECT_TRUE(prompts.records().empty());
    EXPECT_EQ(journal.created.count(app::kinds::centreSettings), 1);
    EXPECT_EQ(window->window(app::kinds::createRecord), nullptr);
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
}

// Without documents of the centre's own beside the program, the
// questionnaire printed from the program's questions shows in the report
// preview and the shipped user guide in a browser window, both inside the
// program: no external viewer is needed. Each only after confirmation.
TEST_F(MainWindowFixture, DocumentsOpenInsideTheProgramAfterConfirmation)
{
    QTemporaryDir help;
    QFile guide(help.filePath(QStringLiteral("index.html")));
    ASSERT_TRUE(guide.open(QIODevice::WriteOnly));
    guide.write("<html><body><h1>评估帮助</h1><p>第一步</p></body></html>");
    guide.close();
    context.helpDirectory = help.path();
    const struct
    {
        const char* action;
        QString question;
        QString window;
    } cases[] = {
        {"N_jkwj", QStringLiteral("健康问卷是给健康评估人员的调查卷,确定要打印出来吗?"),
         QStringLiteral("paperQuestionnaire")},
        {"Act_jkwj", QStringLiteral("健康问卷是给健康评估人员的调查卷,确定要打印出来吗?"),
         QStringLiteral("paperQuestionnaire")},
        {"N_pgbz", QStringLiteral("评估帮助将在程序的帮助窗口中打开,确定要打开吗?"),
         QStringLiteral("TFrm_pgbz")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        prompts.clear();
        prompts.answerMessage(QMessageBox::Cancel);
        trigger(c.action);
        ASSERT_EQ(prompts.records().size(), 1u);
        EXPECT_EQ(prompts.records()[0].text, c.question);
        EXPECT_EQ(prompts.records()[0].caption, QStringLiteral("提示信息"));
        EXPECT_EQ(prompts.records()[0].icon, QMessageBox::Question);
        EXPECT_EQ(prompts.records()[0].buttons, QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(window->findChild<QWidget*>(c.window), nullptr);

        prompts.answerMessage(QMessageBox::Ok);
        trigger(c.action);
        auto* shown = window->findChild<QWidget*>(c.window);
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->isVisible());
        if (auto* preview = qobject_cast<reportengine::PreviewDialog*>(shown)) {
            EXPECT_TRUE(waitUntil([preview] { return !preview->report().isBuilding(); }));
            EXPECT_GE(preview->report().pageCount(), 5);
        }
        if (auto* browser = shown->findChild<QTextBrowser*>()) {
            EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("第一步")));
        }
        shown->close();
        EXPECT_TRUE(waitUntil([this, &c] { return !window->findChild<QWidget*>(c.window); }));
    }
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_TRUE(desktop.started.isEmpty());
}

// A centre that put its own documents beside the program gets those.
TEST_F(MainWindowFixture, CentresOwnDocumentsWin)
{
    QTemporaryDir dir;
    for (const char* name : {"jkpg_xxdc.doc", "jkpg_help.doc"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    context.programDir = dir.path();
    prompts.answerMessage(QMessageBox::Ok);
    trigger("Act_jkwj");
    prompts.answerMessage(QMessageBox::Ok);
    trigger("N_pgbz");
    EXPECT_EQ(desktop.opened, (QStringList{dir.filePath(QStringLiteral("jkpg_xxdc.doc")),
                                           dir.filePath(QStringLiteral("jkpg_help.doc"))}));
}

// A guide that is not where it should be is said so, not opened.
TEST_F(MainWindowFixture, MissingGuideIsReported)
{
    QTemporaryDir empty;
    context.helpDirectory = empty.path();
    prompts.answerMessage(QMessageBox::Ok);
    trigger("N_pgbz");
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_EQ(prompts.messages().value(1), QStringLiteral("找不到评估帮助文档!"));
}

TEST_F(MainWindowFixture, BackupStartsTheProgramBesideTheExecutableAndEnds)
{
    context.iniPath = QStringLiteral("/srv/centre/inifile.ini");
    trigger("N_bfhf");
    // The backup program works on the database this run was configured for.
    EXPECT_EQ(desktop.started,
              QStringList{QStringLiteral("/opt/hra/hra-backup --ini /srv/centre/inifile.ini")});
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(prompts.records().empty());
}

TEST_F(MainWindowFixture, AboutAndReferencesAreModalAndClearTheWorkArea)
{
    app::registerShellWindows(registry);
    for (const char* item : {"N_gy", "N_ckwx"}) {
        SCOPED_TRACE(item);
        window->openCreateRecord();
        click(node(QStringLiteral("建立档案")));
        QString seen;
        QTimer::singleShot(0, [&seen] {
            ASSERT_TRUE(waitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
            QWidget* dialog = QApplication::activeModalWidget();
            seen = dialog->objectName() + u'/' + dialog->windowTitle();
            auto* close = dialog->findChild<QPushButton*>(QStringLiteral("Btn_close"));
            ASSERT_TRUE(close);
            EXPECT_EQ(close->text(), QStringLiteral("&C 关闭"));
            close->click();
        });
        trigger(item);
        EXPECT_TRUE(seen == QStringLiteral("TFrm_gy/健康风险评估") ||
                    seen == QStringLiteral("TFrm_ckwx/参考文献"))
            << seen.toStdString();
        EXPECT_EQ(window->window(app::kinds::createRecord), nullptr);
        EXPECT_EQ(tree()->topLevelItemCount(), 0);
    }
}
