#pragma once

#include "domain/SheetExports.h"
#include "sheets/XlsxWriter.h"

#include <QString>
#include <functional>

class QWidget;

namespace hra::store {
class Connection;
}

namespace hra::ui {

class PromptService;

// What an export to Excel asks of its window.
struct BookExport
{
    QString title;           // of the file dialog ("导出Excel")
    QString suggestedName;   // in the documents folder, without ".xlsx"
    QString auditText;       // the operation log's words for it ("导出信息查询")
    qint64 expectedRows = 0; // for the progress bar; 0 when unknown
    // Adds the sheets, telling progress after each page; false when cancelled.
    std::function<bool(sheets::XlsxWriter& book, const domain::ExportProgress& progress)> write;
};

// The messages an export shows.
inline const QString kBookRefused =
    QStringLiteral("不能写到这个文件：它是正在使用的数据库，或者不是普通文件。请另选一个文件名。");
inline const QString kBookDiskFull = QStringLiteral("磁盘空间不足，无法写入 %1，导出不成功!");
inline const QString kBookFailed = QStringLiteral("导出不成功，文件 %1 没有写入。");
inline const QString kBookReadFailed = QStringLiteral("导出不成功，读取数据时出错!");
inline const QString kBookCancelled = QStringLiteral("导出已取消，文件没有写入。");
inline const QString kBookWritten = QStringLiteral("已导出 %1 条记录到 %2。");

// Asks where to save the book, writes it with a progress dialog whose
// "取消" drops it, notes it in the operation log, and tells the operator how
// it went. A failed or cancelled export leaves the chosen file as it was.
// Returns the file written, empty when none was.
QString exportBook(QWidget* parent, PromptService& prompts, store::Connection& connection,
                   const BookExport& job);

} // namespace hra::ui
