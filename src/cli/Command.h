#pragma once

#include "store/Connection.h"
#include "store/Settings.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace hra::reportengine {
class Report;
}

namespace hra::report {
struct Section;
}

namespace hra::cli {

// One command of hra-cli: its words ("db init"), a usage line, and the
// function that runs it on the remaining arguments. Returns the exit code.
struct Command
{
    QStringList words;
    QString usage;
    std::function<int(const QStringList& args)> run;
    // Rendering needs a QGuiApplication (fonts, painting); it runs on the
    // offscreen platform unless QT_QPA_PLATFORM says otherwise.
    bool needsGui = false;
};

// Commands are grouped by the file that implements them.
std::vector<Command> dbCommands();
std::vector<Command> analyseCommands();
std::vector<Command> renderCommands();
std::vector<Command> assessmentCommands();
std::vector<Command> reportCommands();
std::vector<Command> backupCommands();
std::vector<Command> questionnaireCommands();
std::vector<Command> queryCommands();
std::vector<Command> centreCommands();
std::vector<Command> personCommands();
std::vector<Command> auditCommands();

// Shared argument handling: "--name value" options and bare flags.
class Arguments
{
public:
    explicit Arguments(QStringList args) : m_args(std::move(args)) {}
    // The value after --name; empty when absent. Sets *present when given.
    QString value(const QString& name, bool* present = nullptr) const;
    bool flag(const QString& name) const { return m_args.contains(QStringLiteral("--") + name); }
    // The date after --name, written yyyy-MM-dd; empty when absent. A text
    // that is no such date is said on standard error and sets *bad.
    std::optional<QDate> date(const QString& name, bool* bad) const;
    // Options not in the known list, for a clear error message.
    QStringList unknown(const QStringList& valueOptions, const QStringList& flags) const;

private:
    QStringList m_args;
};

// The configuration file chosen by --ini, or inifile.ini beside the program.
QString iniPathFrom(const Arguments& args);

// The connection settings of that file. A missing file is a warning on
// standard error (the defaults apply); a driver value that names no backend
// is an error there, and the result is empty.
std::optional<store::ConnectionSettings> settingsFrom(const Arguments& args);

// The connection of that configuration; null (the reason on standard error)
// when the configuration is refused, the database does not open, or (unless
// it is being created) a table of ours lacks a declared column. A SQLite
// file that does not exist is not created.
std::unique_ptr<store::Connection>
connectFrom(const Arguments& args,
            store::Connection::Missing missing = store::Connection::Missing::Refuse);
// The same for settings already read; wholeSchema: refuse a missing column.
std::unique_ptr<store::Connection>
connectTo(const store::ConnectionSettings& settings,
          store::Connection::Missing missing = store::Connection::Missing::Refuse,
          bool wholeSchema = true);

// Why a file given for reading (--file, --from) is refused at once, printed
// as "error: ..." on standard error; false when it may be read.
bool refuseSource(const QString& path);

// "--record BH --assessment N" of a command on one stored assessment.
struct AssessmentKey
{
    QString record;
    qint32 assessment = 0;
};

// The key, or nothing with *exitCode set after printing the usage (other
// options than --record, --assessment, --ini and the flags given) or the
// error (a number that is not whole).
std::optional<AssessmentKey> assessmentKeyFrom(const Arguments& args, const QString& usage,
                                               const QStringList& flags, int* exitCode);

// Builds the report and writes each page as it is laid out as PDF (the
// document titled `title`) and, when pngDir is not empty, as PNG pages;
// tells the build's warnings and what was written. A failed run leaves no
// file. Returns the exit code.
int writePages(reportengine::Report& report, const QString& pdfPath, const QString& pngDir,
               double dpi, const QString& title, const QStringList& protectedFiles = {});

// The report section named by --section, the whole report when it is not
// given; null, with the valid names on standard error, when none has that name.
const report::Section* sectionFrom(const Arguments& args);

// "report --unit U ...": the reports of a work unit's persons, one PDF each.
int batchReportCommand(const QStringList& args);
QString batchReportUsage();

} // namespace hra::cli
