#include "cli/Command.h"
#include "domain/Audit.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>
#include <memory>

using hra::cli::Command;

#if defined(__SANITIZE_ADDRESS__)
#define HRA_LEAK_CHECK_AT_EXIT 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HRA_LEAK_CHECK_AT_EXIT 1
#endif
#endif

namespace {

// A rendering command has written and closed all it makes when it returns.
// What is left is the application's platform and font state, whose orderly
// teardown (each font file unmapped, every cache freed) takes milliseconds
// that the system spends at once when the process ends. Not under the
// address sanitizer, whose leak check runs at exit.
[[noreturn]] void exitAtOnce(int code)
{
    std::fflush(nullptr);
    std::_Exit(code);
}

} // namespace

namespace hra::cli {

QString Arguments::value(const QString& name, bool* present) const
{
    const qsizetype at = m_args.indexOf(QStringLiteral("--") + name);
    if (present)
        *present = at >= 0;
    return at >= 0 && at + 1 < m_args.size() ? m_args.at(at + 1) : QString();
}

std::optional<QDate> Arguments::date(const QString& name, bool* bad) const
{
    bool present = false;
    const QString text = value(name, &present);
    if (!present)
        return std::nullopt;
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) {
        QTextStream(stderr) << "error: --" << name << " takes a date as yyyy-MM-dd: " << text
                            << '\n';
        *bad = true;
    }
    return date;
}

QStringList Arguments::unknown(const QStringList& valueOptions, const QStringList& flags) const
{
    QStringList out;
    for (qsizetype i = 0; i < m_args.size(); ++i) {
        const QString& a = m_args.at(i);
        if (a.startsWith(QLatin1String("--")) && valueOptions.contains(a.mid(2)))
            ++i;
        else if (!(a.startsWith(QLatin1String("--")) && flags.contains(a.mid(2))))
            out << a;
    }
    return out;
}

std::optional<AssessmentKey> assessmentKeyFrom(const Arguments& args, const QString& usage,
                                               const QStringList& flags, int* exitCode)
{
    QTextStream err(stderr);
    bool hasRecord = false;
    bool hasAssessment = false;
    const QString record = args.value(QStringLiteral("record"), &hasRecord);
    const QString assessmentText = args.value(QStringLiteral("assessment"), &hasAssessment);
    bool numeric = false;
    const qint32 assessment = assessmentText.toInt(&numeric);
    if (!args.unknown(
                 {QStringLiteral("record"), QStringLiteral("assessment"), QStringLiteral("ini")},
                 flags)
             .isEmpty() ||
        !hasRecord || !hasAssessment || record.isEmpty()) {
        err << "usage: hra-cli " << usage << '\n';
        *exitCode = 2;
        return std::nullopt;
    }
    if (!numeric) {
        err << "error: the assessment number must be a whole number: " << assessmentText << '\n';
        *exitCode = 2;
        return std::nullopt;
    }
    return AssessmentKey{record, assessment};
}

} // namespace hra::cli

int main(int argc, char** argv)
{
    std::vector<Command> commands = hra::cli::dbCommands();
    for (Command& c : hra::cli::analyseCommands())
        commands.push_back(std::move(c));
    for (Command& c : hra::cli::renderCommands())
        commands.push_back(std::move(c));
    for (Command& c : hra::cli::assessmentCommands())
        commands.push_back(std::move(c));
    for (Command& c : hra::cli::reportCommands())
        commands.push_back(std::move(c));
    for (Command& c : hra::cli::backupCommands())
        commands.push_back(std::move(c));
    for (Command& c : hra::cli::questionnaireCommands())
        commands.push_back(std::move(c));
    for (Command& c : hra::cli::queryCommands())
        commands.push_back(std::move(c));
    for (Command& c : hra::cli::centreCommands())
        commands.push_back(std::move(c));
    for (Command& c : hra::cli::personCommands())
        commands.push_back(std::move(c));
    for (Command& c : hra::cli::auditCommands())
        commands.push_back(std::move(c));

    // The command decides which application object it needs, so look at the
    // arguments before there is one.
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i)
        rawArgs << QString::fromLocal8Bit(argv[i]);
    const Command* chosen = nullptr;
    for (const Command& c : commands) {
        if (rawArgs.mid(0, c.words.size()) == c.words) {
            chosen = &c;
            break;
        }
    }

    std::unique_ptr<QCoreApplication> app;
    if (chosen && chosen->needsGui) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("hra"));
    // What a command does to personal data is logged under the system user.
    hra::domain::setAuditActor(hra::domain::systemActor(QStringLiteral("hra-cli")));
    const QStringList args = QCoreApplication::arguments().mid(1);

    QTextStream err(stderr);
    if (chosen) {
        const int code = chosen->run(args.mid(chosen->words.size()));
#ifndef HRA_LEAK_CHECK_AT_EXIT
        if (chosen->needsGui)
            exitAtOnce(code);
#endif
        return code;
    }
    err << "usage:\n";
    for (const Command& c : commands)
        err << "  hra-cli " << c.words.join(u' ') << ' ' << c.usage << '\n';
    return args.isEmpty() || args.first() == QLatin1String("--help") ? 0 : 2;
}
