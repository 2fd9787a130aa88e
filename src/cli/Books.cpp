#include "cli/Books.h"

#include "cli/Json.h"
#include "store/PrivateFiles.h"
#include "store/Sql.h"

#include <QTextStream>

namespace hra::cli {

int writeBook(const QString& path, const store::Connection& connection,
              const std::function<void(sheets::XlsxWriter& book)>& write)
{
    QTextStream err(stderr);
    const QStringList database = store::databaseFiles(connection.settings());
    try {
        sheets::XlsxWriter book(path, database);
        write(book);
        const qint64 rows = book.rows();
        book.close();
        QTextStream(stdout) << "{\"file\": " << jsonString(path) << ", \"rows\": " << rows << "}\n";
        return 0;
    } catch (const sheets::SheetError& e) {
        err << "error: " << e.message() << '\n';
    } catch (const store::DatabaseError& e) {
        err << "error: the rows could not be read: " << e.message() << '\n';
    }
    return 1;
}

} // namespace hra::cli
