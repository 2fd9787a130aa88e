#include "cli/Books.h"
#include "cli/Command.h"
#include "domain/AssessmentSearch.h"
#include "domain/Audit.h"
#include "domain/Operators.h"
#include "domain/Passwords.h"
#include "domain/SheetExports.h"
#include "store/Connection.h"
#include "store/Sql.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace hra::cli {
namespace {

const QString kQueryUsage =
    QStringLiteral("[--record BH] [--name NAME] [--sex S] [--age-from A --age-to B] "
                   "[--from YYYY-MM-DD --to YYYY-MM-DD] [--xlsx OUT] [--ini FILE]");
const QString kOperatorUsage = QStringLiteral(
    "list | add --code C --name N | passwd --code C | delete --code C  [--ini FILE]  "
    "(passwords: one line on standard input)");

// Only db init makes a database; these commands read or change one.
std::unique_ptr<store::Connection> connect(const Arguments& args)
{
    return connectFrom(args, store::Connection::Missing::Refuse);
}

QJsonValue jsonOf(const QVariant& v)
{
    if (store::isNull(v))
        return QJsonValue::Null;
    return QJsonValue::fromVariant(v);
}

int queryCommand(const QStringList& raw)
{
    const Arguments args(raw);
    QTextStream err(stderr);
    const QStringList options{
        QStringLiteral("record"),   QStringLiteral("name"),   QStringLiteral("sex"),
        QStringLiteral("age-from"), QStringLiteral("age-to"), QStringLiteral("from"),
        QStringLiteral("to"),       QStringLiteral("ini"),    QStringLiteral("xlsx")};
    if (!args.unknown(options, {}).isEmpty()) {
        err << "usage: hra-cli query " << kQueryUsage << '\n';
        return 2;
    }
    domain::SearchCriteria criteria;
    criteria.recordNumber = args.value(QStringLiteral("record"));
    criteria.name = args.value(QStringLiteral("name"));
    criteria.sex = args.value(QStringLiteral("sex"));
    bool hasAgeFrom = false;
    bool hasAgeTo = false;
    criteria.ageFrom = args.value(QStringLiteral("age-from"), &hasAgeFrom);
    criteria.ageTo = args.value(QStringLiteral("age-to"), &hasAgeTo);
    // As with the dates: a range has both ends, and one alone is no range.
    if (hasAgeFrom != hasAgeTo) {
        err << "error: --age-from and --age-to go together; give both (the same age twice for "
               "one age)\n";
        return 2;
    }
    bool hasFrom = false;
    bool hasTo = false;
    const QString from = args.value(QStringLiteral("from"), &hasFrom);
    const QString to = args.value(QStringLiteral("to"), &hasTo);
    if (hasFrom || hasTo) {
        criteria.useDates = true;
        criteria.dateFrom = QDate::fromString(from, Qt::ISODate);
        criteria.dateTo = QDate::fromString(to, Qt::ISODate);
        if (!criteria.dateFrom.isValid() || !criteria.dateTo.isValid()) {
            err << "error: --from and --to take two dates written YYYY-MM-DD\n";
            return 2;
        }
    }
    bool toBook = false;
    const QString book = args.value(QStringLiteral("xlsx"), &toBook);
    if (toBook && book.isEmpty()) {
        err << "usage: hra-cli query " << kQueryUsage << '\n';
        return 2;
    }
    const std::optional<domain::AssessmentSearch> search =
        domain::AssessmentSearch::build(criteria);
    if (!search) {
        err << "error: " << domain::kInvalidAgeMessage << '\n';
        return 1;
    }
    const auto connection = connect(args);
    if (!connection)
        return 1;
    if (toBook) {
        // Every match, a page at a time, straight into the book.
        const int status = writeBook(book, *connection, [&](sheets::XlsxWriter& out) {
            domain::writeSearchSheet(connection->db(), *search, out);
        });
        if (status == 0)
            domain::noteAudit(connection->db(),
                              {domain::AuditAction::Search, criteria.recordNumber.trimmed(),
                               std::nullopt, domain::describeCriteria(criteria)});
        return status;
    }
    try {
        QJsonArray out;
        for (const domain::FoundAssessment& a : search->all(connection->db())) {
            out.append(QJsonObject{
                {QStringLiteral("bianh"), a.recordNumber},
                {QStringLiteral("xingm"), a.name},
                {QStringLiteral("xingb"), a.sex},
                {QStringLiteral("zhuangt"), a.state},
                {QStringLiteral("lurrq"),
                 a.date.isValid()
                     ? QJsonValue(a.date.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                     : QJsonValue::Null},
                {QStringLiteral("nianl"), jsonOf(a.age)},
                {QStringLiteral("jkpg_id"), a.id},
            });
        }
        domain::noteAudit(connection->db(),
                          {domain::AuditAction::Search, criteria.recordNumber.trimmed(),
                           std::nullopt, domain::describeCriteria(criteria)});
        const QByteArray json = QJsonDocument(out).toJson();
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        return 0;
    } catch (const store::DatabaseError& e) {
        err << "error: the search failed: " << e.message() << '\n';
        return 1;
    }
}

// One line of standard input; on a terminal it is asked for without echo.
std::optional<QString> readPassword(const char* prompt)
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        std::fputs(prompt, stderr);
        std::fflush(stderr);
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    // At most a little more than the longest password allowed is kept: a
    // line of any length is read to its end, never held whole.
    constexpr std::size_t kKeep = std::size_t(domain::kMaxPasswordLength) * 4 + 8;
    std::string line;
    bool ok = false;
    for (int c = std::cin.get(); c != EOF; c = std::cin.get()) {
        ok = true;
        if (c == '\n')
            break;
        if (line.size() < kKeep)
            line.push_back(char(c));
    }
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputs("\n", stderr);
    }
    if (!ok)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

// The new password: one line, and on a terminal a second time to compare.
std::optional<QString> readNewPassword()
{
    QTextStream err(stderr);
    const std::optional<QString> first = readPassword("password: ");
    if (!first) {
        err << "error: no password on standard input\n";
        return std::nullopt;
    }
    if (const QString problem = domain::passwordProblem(*first); !problem.isEmpty()) {
        err << "error: " << problem << '\n';
        return std::nullopt;
    }
    if (isatty(STDIN_FILENO)) {
        const std::optional<QString> again = readPassword("password again: ");
        if (!again || *again != *first) {
            err << "error: 两次密码不一致,请重新输入!\n";
            return std::nullopt;
        }
    }
    return first;
}

int operatorCommand(const QStringList& raw)
{
    QTextStream err(stderr);
    const QString action = raw.value(0);
    const Arguments args(raw.mid(1));
    const bool needsCode = action != QLatin1String("list");
    const QStringList options =
        action == QLatin1String("add")
            ? QStringList{QStringLiteral("code"), QStringLiteral("name"), QStringLiteral("ini")}
        : needsCode ? QStringList{QStringLiteral("code"), QStringLiteral("ini")}
                    : QStringList{QStringLiteral("ini")};
    bool hasCode = false;
    const QString code = args.value(QStringLiteral("code"), &hasCode);
    const QStringList known{QStringLiteral("list"), QStringLiteral("add"), QStringLiteral("passwd"),
                            QStringLiteral("delete")};
    if (!known.contains(action) || !args.unknown(options, {}).isEmpty() ||
        (needsCode && !hasCode)) {
        err << "usage: hra-cli operator " << kOperatorUsage << '\n';
        return 2;
    }
    if (action == QLatin1String("add")) {
        if (const QString problem = domain::codeProblem(code); !problem.isEmpty()) {
            err << "error: " << problem << '\n';
            return 1;
        }
    }
    std::optional<QString> password;
    if (action == QLatin1String("add") || action == QLatin1String("passwd")) {
        password = readNewPassword();
        if (!password)
            return 1;
    }
    const auto connection = connect(args);
    if (!connection)
        return 1;
    const QSqlDatabase db = connection->db();
    QTextStream out(stdout);
    try {
        if (action == QLatin1String("list")) {
            QJsonArray list;
            for (const domain::Operator& op : domain::listOperators(db))
                list.append(QJsonObject{{QStringLiteral("code"), op.code},
                                        {QStringLiteral("name"), op.name},
                                        {QStringLiteral("permissions"), op.permissions},
                                        {QStringLiteral("manager"), domain::isManager(op.code)}});
            const QByteArray json = QJsonDocument(list).toJson();
            std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
            return 0;
        }
        if (action == QLatin1String("add")) {
            try {
                domain::addOperator(db, code, args.value(QStringLiteral("name")), *password);
            } catch (const store::DatabaseError& e) {
                err << "error: 数据保存失败！ (" << e.message() << ")\n";
                return 1;
            } catch (const domain::PasswordError& e) {
                err << "error: 数据保存失败！ (" << e.what() << ")\n";
                return 1;
            } catch (const domain::OperatorRuleError& e) {
                err << "error: " << e.message() << '\n';
                return 1;
            }
            out << "数据保存成功！\n";
            return 0;
        }
        if (action == QLatin1String("passwd")) {
            if (!domain::setPassword(db, code, *password)) {
                err << "error: no operator with the code " << code << '\n';
                return 1;
            }
            out << "密码修改成功!\n";
            return 0;
        }
        switch (domain::deleteOperator(db, code)) {
        case domain::DeleteOperatorResult::Deleted:
            out << "删除成功！\n";
            return 0;
        case domain::DeleteOperatorResult::NotFound:
            err << "error: no operator with the code " << code << '\n';
            return 1;
        case domain::DeleteOperatorResult::RefusedManager:
            err << "error: " << domain::kRefuseDeleteManager << '\n';
            return 1;
        case domain::DeleteOperatorResult::RefusedLast:
            err << "error: " << domain::kRefuseDeleteLast << '\n';
            return 1;
        }
    } catch (const store::DatabaseError& e) {
        err << "error: " << e.message() << '\n';
    } catch (const domain::PasswordError& e) {
        err << "error: " << e.what() << '\n';
    } catch (const domain::OperatorRuleError& e) {
        err << "error: " << e.message() << '\n';
    }
    return 1;
}

} // namespace

std::vector<Command> queryCommands()
{
    return {{{QStringLiteral("query")}, kQueryUsage, queryCommand, false},
            {{QStringLiteral("operator")}, kOperatorUsage, operatorCommand, false}};
}

} // namespace hra::cli
