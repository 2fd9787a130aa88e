#include "windows/shell/MainWindow.h"

#include "domain/Operators.h"
#include "paper/PaperQuestionnaire.h"
#include "reportengine/Report.h"
#include "store/Settings.h"
#include "ui/Log.h"
#include "ui/ProgramIcon.h"
#include "ui/PromptService.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/Artwork.h"
#include "windows/shell/Branding.h"
#include "windows/shell/Desktop.h"
#include "windows/shell/HelpWindows.h"
#include "windows/shell/WindowRegistry.h"
#include "windows/shell/WorkWindows.h"

#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <utility>

namespace hra::app {
namespace {

const QString kInfoCaption = QStringLiteral("提示信息");

// The area behind the child windows shows the program's picture, scaled to fit.
class PictureMdiArea : public QMdiArea
{
public:
    using QMdiArea::QMdiArea;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(viewport());
        if (m_picture.size() != viewport()->size())
            m_picture = artwork::mainBackground(viewport()->size());
        p.drawPixmap(0, 0, m_picture);
    }

private:
    QPixmap m_picture;
};

// A child window's frame. It reports when it has really closed, so that the
// window's kind counts as closed at once and not only once it is deleted; and
// it closes (and frees) itself when its window closes itself.
class ChildFrame : public QMdiSubWindow
{
public:
    ChildFrame(QWidget* window, std::function<void()> closed) : m_closed(std::move(closed))
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setWidget(window);
        window->installEventFilter(this);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        m_closing = true;
        QMdiSubWindow::closeEvent(event);
        m_closing = false;
        if (event->isAccepted() && m_closed)
            std::exchange(m_closed, nullptr)();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close && watched == widget() && !m_closing) {
            // Whether the window agreed to close is known only afterwards.
            QTimer::singleShot(0, this, [this] {
                if (widget() && !widget()->isVisible())
                    close();
            });
        }
        return QMdiSubWindow::eventFilter(watched, event);
    }

private:
    std::function<void()> m_closed;
    bool m_closing = false;
};

} // namespace

MainWindow::MainWindow(AppContext& context, const WindowRegistry& registry, QWidget* parent)
    : QMainWindow(parent), m_context(context), m_registry(registry)
{
    setObjectName(QStringLiteral("TFrm_main"));
    setWindowTitle(kSystemTitle + u' ' + kVersionText);
    setWindowIcon(ui::programIcon());

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* panel = new QFrame(central);
    panel->setObjectName(QStringLiteral("Panel_left"));
    panel->setFixedWidth(145);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    m_tree = new NavigationTree(panel);
    panelLayout->addWidget(m_tree);
    layout->addWidget(panel);
    m_mdi = new PictureMdiArea(central);
    m_mdi->setObjectName(QStringLiteral("MdiArea"));
    layout->addWidget(m_mdi, 1);
    setCentralWidget(central);

    buildMenus();
    buildToolBar();
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    m_operatorState = new QLabel(statusBar());
    m_operatorState->setObjectName(QStringLiteral("OperatorState"));
    statusBar()->addPermanentWidget(m_operatorState);
    m_connectionState = new QLabel(statusBar());
    m_connectionState->setObjectName(QStringLiteral("ConnectionState"));
    statusBar()->addPermanentWidget(m_connectionState);
    auto* connectionTimer = new QTimer(this);
    connect(connectionTimer, &QTimer::timeout, this, &MainWindow::showConnectionState);
    connectionTimer->start(2000);
    showConnectionState();

    connect(m_tree, &NavigationTree::nodeChosen, this, &MainWindow::chooseNode);
}

void MainWindow::showLoggedInOperator()
{
    const domain::SessionState& session = m_context.session;
    m_operatorState->setText(
        session.currentOperatorCode.isEmpty()
            ? QString()
            : QStringLiteral("操作员：%1 %2")
                  .arg(session.currentOperatorCode, session.currentOperatorName));
}

void MainWindow::showConnectionState()
{
    store::Connection* connection = m_context.connection.get();
    if (!connection) {
        m_connectionState->clear();
        return;
    }
    const bool open = !connection->isLost() || connection->reconnect();
    m_connectionState->setText(open ? QStringLiteral("数据库连接正常")
                                    : QStringLiteral("数据库连接中断"));
}

void MainWindow::buildMenus()
{
    auto item = [this](QMenu* menu, const QString& caption, const char* name, auto slot) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    auto topLevel = [this](const QString& caption, const char* name, auto slot) {
        QAction* a = menuBar()->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
    };

    QMenu* basic = menuBar()->addMenu(QStringLiteral("基本信息"));
    basic->setObjectName(QStringLiteral("N_jbxx"));
    item(basic, QStringLiteral("健康问卷"), "N_jkwj", [this] {
        askAndOpenDocument(QStringLiteral("健康问卷是给健康评估人员的调查卷,确定要打印出来吗?"),
                           QStringLiteral("jkpg_xxdc.doc"), [this] { showPaperQuestionnaire(); });
    });
    item(basic, QStringLiteral("建立档案"), "N_jlda", [this] { openCreateRecord(); });
    item(basic, QStringLiteral("批量导入"), "N_pldr", [this] {
        if (showArea(TreeMode::Records, true))
            openWindow(kinds::groupImport);
    });
    item(basic, QStringLiteral("退出"), "N_tc", [this] { close(); });

    topLevel(QStringLiteral("信息调查"), "N_xxdc", [this] { openQuestionnaire(); });
    topLevel(QStringLiteral("数据分析"), "N_sjfx", [this] { openAnalysis(); });
    topLevel(QStringLiteral("信息查询"), "N_xxcx", [this] { openQuery(); });

    QMenu* admin = menuBar()->addMenu(QStringLiteral("系统管理"));
    admin->setObjectName(QStringLiteral("N_xtgl"));
    item(admin, QStringLiteral("操作员"), "N_czy", [this] { openWindow(kinds::operators); });
    item(admin, QStringLiteral("备份恢复"), "N_bfhf", [this] { startBackup(); });
    item(admin, QStringLiteral("操作日志"), "N_czrz",
         [this] { openManagerDialog(kinds::auditLog); });
    item(admin, QStringLiteral("评估中心设置"), "N_pgzx",
         [this] { openManagerDialog(kinds::centreSettings); });
    item(admin, QStringLiteral("报告封面设置"), "N_bgfm",
         [this] { openManagerDialog(kinds::coverSettings); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助"));
    help->setObjectName(QStringLiteral("N_bz"));
    item(help, QStringLiteral("参考文献"), "N_ckwx",
         [this] { openModalAfterClearing(kinds::references); });
    item(help, QStringLiteral("评估帮助"), "N_pgbz", [this] {
        askAndOpenDocument(QStringLiteral("评估帮助将在程序的帮助窗口中打开,确定要打开吗?"),
                           QStringLiteral("jkpg_help.doc"), [this] { showUserGuide(); });
    });
    item(help, QStringLiteral("关于"), "N_gy", [this] { openModalAfterClearing(kinds::about); });
}

void MainWindow::buildToolBar()
{
    QToolBar* bar = addToolBar(QStringLiteral("工具栏"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(32, 32));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->toggleViewAction()->setVisible(false);

    auto button = [this, bar](artwork::ToolIcon icon, const QString& caption, const char* name,
                              auto slot) {
        QAction* a = bar->addAction(artwork::toolIcon(icon), caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(a));
        b->setObjectName(
            QString::fromLatin1(name).replace(QStringLiteral("Act_"), QStringLiteral("Btn_")));
        b->setFixedSize(91, 51);
        b->setAutoRaise(true);
    };
    button(artwork::ToolIcon::Questionnaire, QStringLiteral("健康问卷"), "Act_jkwj", [this] {
        askAndOpenDocument(QStringLiteral("健康问卷是给健康评估人员的调查卷,确定要打印出来吗?"),
                           QStringLiteral("jkpg_xxdc.doc"), [this] { showPaperQuestionnaire(); });
    });
    button(artwork::ToolIcon::Records, QStringLiteral("   建立档案   "), "Act_jlda",
           [this] { openCreateRecord(); });
    button(artwork::ToolIcon::Survey, QStringLiteral("信息调查"), "Act_xxdc",
           [this] { openQuestionnaire(); });
    button(artwork::ToolIcon::Analysis, QStringLiteral("数据分析"), "Act_sjfx",
           [this] { openAnalysis(); });
    button(artwork::ToolIcon::Query, QStringLiteral("信息查询"), "Act_xxcx",
           [this] { openQuery(); });
    button(artwork::ToolIcon::Exit, QStringLiteral("退出系统"), "Act_tcxt", [this] { close(); });
}

QWidget* MainWindow::window(const QString& kind) const
{
    const auto it = m_open.find(kind);
    return it == m_open.end() ? nullptr : it->second.data();
}

QWidget* MainWindow::openWindow(const QString& kind, const std::function<void(QWidget*)>& prepare)
{
    if (QWidget* open = window(kind))
        return open;
    const WindowRegistry::Entry* entry = m_registry.find(kind);
    if (!entry)
        return nullptr;
    QWidget* w = entry->create(m_context, *this);
    if (!w)
        return nullptr;
    if (w->objectName().isEmpty())
        w->setObjectName(kind);
    m_open[kind] = w;
    if (prepare)
        prepare(w);

    if (entry->presentation == Presentation::ChildWindow) {
        auto* frame = new ChildFrame(w, [this, kind, w] {
            if (window(kind) == w)
                m_open.erase(kind);
        });
        m_mdi->addSubWindow(frame);
        frame->setWindowIcon(windowIcon());
        frame->move(0, 0);
        frame->show();
        return w;
    }

    w->setParent(this, w->windowFlags() | Qt::Dialog);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    QPointer<QWidget> guard(w);
    if (auto* dialog = qobject_cast<QDialog*>(w)) {
        dialog->exec();
    } else {
        w->setWindowModality(Qt::ApplicationModal);
        w->show();
        QEventLoop loop;
        while (guard && guard->isVisible())
            loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
    if (window(kind) == w)
        m_open.erase(kind);
    delete guard.data();
    return nullptr;
}

bool MainWindow::closeAllChildWindows()
{
    const QList<QMdiSubWindow*> frames = m_mdi->subWindowList(QMdiArea::CreationOrder);
    for (auto it = frames.crbegin(); it != frames.crend(); ++it)
        if (!(*it)->close()) {
            m_mdi->setActiveSubWindow(*it);
            return false;
        }
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!closeAllChildWindows()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::setNavigationEnabled(bool enabled)
{
    m_tree->setEnabled(enabled);
}

bool MainWindow::showArea(TreeMode mode, bool enableTree)
{
    // A window kept open with its changes keeps its area too.
    if (!closeAllChildWindows())
        return false;
    m_tree->setMode(mode);
    if (enableTree)
        setNavigationEnabled(true);
    m_tree->build();
    return true;
}

void MainWindow::openCreateRecord()
{
    showArea(TreeMode::Records, true);
}

void MainWindow::openQuestionnaire()
{
    if (showArea(TreeMode::Questionnaire, true))
        openWindow(kinds::questionnaire);
}

void MainWindow::openAnalysis()
{
    if (showArea(TreeMode::Analysis, false))
        openWindow(kinds::analysis);
}

bool MainWindow::clearWorkArea()
{
    if (!closeAllChildWindows())
        return false;
    m_tree->clearNodes();
    return true;
}

void MainWindow::openQuery()
{
    if (clearWorkArea())
        openWindow(kinds::query);
}

void MainWindow::openModalAfterClearing(const QString& kind)
{
    if (clearWorkArea())
        openWindow(kind);
}

void MainWindow::openManagerDialog(const QString& kind)
{
    if (!domain::isManager(m_context.session.currentOperatorCode)) {
        m_context.prompts.information(this, QStringLiteral("只有管理员才能进行此操作!"),
                                      kInfoCaption);
        return;
    }
    openModalAfterClearing(kind);
}

void MainWindow::askAndOpenDocument(const QString& question, const QString& fileName,
                                    const std::function<void()>& showOwn)
{
    if (!m_context.prompts.confirm(this, question, kInfoCaption,
                                   QMessageBox::Ok | QMessageBox::Cancel))
        return;
    const QString centres = QDir(m_context.programDir).filePath(fileName);
    if (QFileInfo::exists(centres)) {
        m_context.desktop.openDocument(centres);
        return;
    }
    showOwn();
}

void MainWindow::showUserGuide()
{
    if (m_guide) {
        m_guide->raise();
        m_guide->activateWindow();
        return;
    }
    const QString guide =
        QDir(m_context.helpDirectory.isEmpty() ? store::sharedDirectory(QStringLiteral("help"))
                                               : m_context.helpDirectory)
            .filePath(QStringLiteral("index.html"));
    if (!QFileInfo::exists(guide)) {
        qCWarning(ui::lcUi).noquote() << "user guide not found:" << guide;
        m_context.prompts.error(this, QStringLiteral("找不到评估帮助文档!"),
                                QStringLiteral("出错提示"));
        return;
    }
    // Shown inside the program: no external viewer is needed.
    auto* window = new GuideWindow(guide, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    m_guide = window;
}

void MainWindow::showPaperQuestionnaire()
{
    if (m_paper) {
        m_paper->raise();
        m_paper->activateWindow();
        return;
    }
    // Made anew each time from the questions the program asks, and shown in
    // the report preview to print or export.
    auto report = std::make_unique<reportengine::Report>();
    QString error;
    if (!paper::preparePaperQuestionnaire(*report, &error)) {
        qCWarning(ui::lcUi).noquote() << "printable questionnaire:" << error;
        m_context.prompts.error(this, QStringLiteral("健康问卷生成不成功!"),
                                QStringLiteral("出错提示"));
        return;
    }
    auto* preview = new PaperQuestionnairePreview(m_context.prompts, std::move(report), this);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->show();
    preview->startBuild();
    m_paper = preview;
}

void MainWindow::startBackup()
{
    // A restore replaces the whole centre's data: the manager's work only.
    if (!domain::isManager(m_context.session.currentOperatorCode)) {
        m_context.prompts.information(this, QStringLiteral("只有管理员才能进行此操作!"),
                                      kInfoCaption);
        return;
    }
    // The backup program starts only once this one has really closed.
    if (!close())
        return;
    QStringList arguments;
    if (!m_context.iniPath.isEmpty())
        arguments << QStringLiteral("--ini") << m_context.iniPath;
    m_context.desktop.startProgram(
        QDir(m_context.programDir).filePath(QStringLiteral("hra-backup")), arguments);
}

void MainWindow::chooseNode(QTreeWidgetItem* item)
{
    if (!item || m_tree->topLevelItemCount() == 0)
        return;
    // The root carries no target; a child carries what choosing it means.
    const QVariant target = item->data(0, kTargetRole);
    switch (m_tree->mode()) {
    case TreeMode::Records:
        if (!closeAllChildWindows())
            break;
        if (target.isValid())
            openWindow(target.toString());
        break;
    case TreeMode::Questionnaire: {
        QWidget* w = openWindow(kinds::questionnaire);
        if (auto* pages = dynamic_cast<QuestionnaireView*>(w); pages && target.isValid())
            pages->showSection(target.toInt());
        break;
    }
    case TreeMode::Analysis: {
        // The group summary is a window of its own, not a section.
        if (target.toString() == kinds::groupSummary) {
            openWindow(kinds::groupSummary);
            break;
        }
        auto* analysis = dynamic_cast<AnalysisView*>(openWindow(kinds::analysis));
        const QString section = target.toString();
        // Built at once: the choice in the tree is the confirmation.
        if (analysis && !section.isEmpty())
            analysis->chooseSection(section);
        break;
    }
    }
}

} // namespace hra::app
