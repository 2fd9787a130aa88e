#include "records/BrowseRecordWindow.h"

#include "records/Context.h"
#include "records/PersonListColumns.h"
#include "records/PersonListReport.h"
#include "reportengine/Report.h"
#include "store/SessionState.h"
#include "store/Settings.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableWidget>

namespace hra::records {

BrowseRecordWindow::BrowseRecordWindow(Context& context, QWidget* parent)
    : PersonListWindow(context, QStringLiteral("TFrm_llda"), QStringLiteral("浏览档案"),
                       QStringLiteral("浏 览 档 案"), personListColumns(), parent)
{
    auto* printButton = addButton(QStringLiteral("&P 打印"), QStringLiteral("print"));
    connect(printButton, &QPushButton::clicked, this, &BrowseRecordWindow::print);
    connect(table(), &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { openQuestionnaireFor(row); });
    installKeys()->setEnterAction(searchBox(), [this] { find(); });
}

void BrowseRecordWindow::print()
{
    if (!hasList())
        return;
    const QString folder = m_context.reportsDirectory.isEmpty()
                               ? store::sharedDirectory(QStringLiteral("reports"))
                               : m_context.reportsDirectory;
    auto report = std::make_unique<reportengine::Report>();
    QString error;
    if (!preparePersonList(*report, QDir(folder).filePath(QStringLiteral("jbxx.fr3")), persons(),
                           &error)) {
        m_context.prompts.error(this, error, QStringLiteral("出错提示"));
        return;
    }
    // The list builds on a build thread: the preview shows at once, its
    // pages arriving with a progress bar and "取消" below the buttons.
    auto* preview = new PersonListPreview(m_context.prompts, std::move(report), this);
    preview->setWindowFlag(Qt::Window);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->show();
    preview->startBuild();
}

void BrowseRecordWindow::openQuestionnaireFor(int index)
{
    if (!hasList() || index < 0 || index >= persons().size())
        return;
    const QString number = persons().at(index).value(QStringLiteral("bianh")).toString();
    if (number.isEmpty())
        return;
    m_context.session.pendingRecordNo = number;
    if (m_context.openQuestionnaire)
        m_context.openQuestionnaire();
}

} // namespace hra::records
