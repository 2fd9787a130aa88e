#include "cli/Command.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

using hra::cli::Command;

namespace hra::cli {

QString Arguments::value(const QString& name, bool* present) const
{
    const qsizetype at = m_args.indexOf(QStringLiteral("--") + name);
    if (present)
        *present = at >= 0;
    return at >= 0 && at + 1 < m_args.size() ? m_args.at(at + 1) : QString();
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

} // namespace hra::cli

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hra"));
    QStringList args = app.arguments().mid(1);

    std::vector<Command> commands = hra::cli::dbCommands();
    for (Command& c : hra::cli::analyseCommands())
        commands.push_back(std::move(c));

    QTextStream err(stderr);
    for (const Command& c : commands) {
        if (args.mid(0, c.words.size()) == c.words)
            return c.run(args.mid(c.words.size()));
    }
    err << "usage:\n";
    for (const Command& c : commands)
        err << "  hra-cli " << c.words.join(u' ') << ' ' << c.usage << '\n';
    return args.isEmpty() || args.first() == QLatin1String("--help") ? 0 : 2;
}
