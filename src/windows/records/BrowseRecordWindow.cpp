#include "windows/records/BrowseRecordWindow.h"

#include "domain/SessionState.h"
#include "reportengine/Report.h"
#include "store/Connection.h"
#include "store/Settings.h"
#include "store/Sql.h"
#include "ui/BookExport.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"
#include "windows/records/Context.h"
#include "windows/records/PersonListColumns.h"
#include "windows/records/PersonListModel.h"
#include "windows/records/PersonListReport.h"
#include "windows/records/PersonListSource.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QLineEdit>
#include <QTableView>

namespace hra::records {

BrowseRecordWindow::BrowseRecordWindow(Context& context, QWidget* parent)
    : PersonListWindow(context, QStringLiteral("TFrm_llda"), QStringLiteral("浏览档案"),
                       QStringLiteral("浏 览 档 案"), personListColumns(), parent)
{
    auto* printButton = addButton(QStringLiteral("&P 打印"), QStringLiteral("print"));
    connect(printButton, &QPushButton::clicked, this, &BrowseRecordWindow::print);
    auto* excelButton = addButton(QStringLiteral("&X 导出Excel"), QStringLiteral("exportExcel"));
    connect(excelButton, &QPushButton::clicked, this, &BrowseRecordWindow::exportExcel);
    connect(table(), &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { openQuestionnaireFor(index.row()); });
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
    // The list is read again as the pages are built, in the order shown,
    // over a connection of the source's own (the build runs on a thread).
    auto source = std::make_shared<PersonListSource>(m_context.connection.settings(),
                                                     persons()->recordNumber());
    if (!preparePersonList(*report, QDir(folder).filePath(QStringLiteral("jbxx.fr3")),
                           std::move(source), &error)) {
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

void BrowseRecordWindow::exportExcel()
{
    if (!hasList())
        return;
    const domain::PersonListing listing(persons()->recordNumber(), domain::personSheetColumns());
    ui::BookExport job;
    job.title = QStringLiteral("导出Excel");
    job.suggestedName =
        QStringLiteral("人员名单-%1").arg(QDate::currentDate().toString(Qt::ISODate));
    job.auditText = QStringLiteral("导出人员名单");
    try {
        job.expectedRows = listing.count(m_context.connection.db());
    } catch (const store::DatabaseError&) {
        // Only the progress bar needs it; the export says what fails.
    }
    job.write = [&](sheets::XlsxWriter& book, const domain::ExportProgress& progress) {
        return domain::writePersonSheet(m_context.connection.db(), listing, book, progress);
    };
    ui::exportBook(this, m_context.prompts, m_context.connection, job);
}

void BrowseRecordWindow::openQuestionnaireFor(int index)
{
    if (!hasList())
        return;
    const QString number = persons()->value(index, QStringLiteral("bianh")).toString();
    if (number.isEmpty())
        return;
    m_context.session.pendingRecordNo = number;
    if (m_context.openQuestionnaire)
        m_context.openQuestionnaire();
}

} // namespace hra::records
