#include "ui/BookExport.h"

#include "domain/Audit.h"
#include "store/Connection.h"
#include "store/PrivateFiles.h"
#include "ui/Log.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <algorithm>
#include <climits>

namespace hra::ui {

namespace {

const QString kErrorCaption = QStringLiteral("出错提示");

QString bookFailureText(const sheets::SheetWriteError& e)
{
    const QString file = QDir::toNativeSeparators(e.path());
    switch (e.reason()) {
    case sheets::SheetWriteError::Reason::Refused:
        return kBookRefused;
    case sheets::SheetWriteError::Reason::DiskFull:
        return kBookDiskFull.arg(file);
    case sheets::SheetWriteError::Reason::Failed:
        break;
    }
    return kBookFailed.arg(file);
}

} // namespace

QString exportBook(QWidget* parent, PromptService& prompts, store::Connection& connection,
                   const BookExport& job)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString file =
        prompts.saveFileName(parent, job.title, QDir(folder).filePath(job.suggestedName + ".xlsx"),
                             QStringLiteral("Excel 文件 (*.xlsx)"));
    if (file.isEmpty())
        return {};
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".xlsx");
    const QStringList database = store::databaseFiles(connection.settings());
    QProgressDialog progress(QStringLiteral("正在导出…"), QStringLiteral("取消"), 0,
                             int(std::min<qint64>(job.expectedRows, INT_MAX)), parent);
    progress.setWindowTitle(job.title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    qint64 written = 0;
    try {
        sheets::XlsxWriter book(file, database);
        const bool finished = job.write(book, [&](qint64 rows) {
            progress.setLabelText(QStringLiteral("正在导出… 已写 %1 条").arg(rows));
            if (job.expectedRows > 0)
                progress.setValue(int(std::min<qint64>(rows, progress.maximum())));
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
        progress.close();
        if (!finished) {
            prompts.information(parent, kBookCancelled, job.title);
            return {};
        }
        written = book.rows();
        book.close();
    } catch (const sheets::SheetWriteError& e) {
        progress.close();
        qCWarning(lcUi).noquote() << "the export to" << file << "failed:" << e.message();
        prompts.error(parent, bookFailureText(e), kErrorCaption);
        return {};
    } catch (const store::DatabaseError& e) {
        progress.close();
        qCWarning(lcUi).noquote() << "the export to" << file << "failed:" << e.message();
        prompts.error(parent, ui::failureText(e, kBookReadFailed), kErrorCaption);
        return {};
    }
    domain::noteAudit(connection.db(),
                      {domain::AuditAction::View,
                       {},
                       std::nullopt,
                       job.auditText + QStringLiteral(" → ") + QFileInfo(file).fileName()});
    prompts.information(parent, kBookWritten.arg(written).arg(QDir::toNativeSeparators(file)),
                        job.title);
    return file;
}

} // namespace hra::ui
