#include "domain/Operators.h"
#include "domain/Passwords.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"

#include <gtest/gtest.h>

using namespace hra;
using store::Driver;

class Login : public ::testing::TestWithParam<Driver>
{
protected:
    void SetUp() override
    {
        HRA_REQUIRE_BACKEND(db);
        conn = db.connectInitialised();
        ASSERT_TRUE(conn);
        const QSqlDatabase d = conn->db();
        store::run(d, QStringLiteral("delete from sys_yhxx"));
        auto add = [&d](const char* code, const QString& mim) {
            store::run(
                d,
                QStringLiteral("insert into sys_yhxx (yonghdm, yonghmc, mim) values (:c, :n, :m)"),
                {{"c", QString::fromUtf8(code)},
                 {"n", QStringLiteral("名") + QString::fromUtf8(code)},
                 {"m", mim}});
        };
        add("rootadm", domain::hashPassword(QStringLiteral("s3cret")));
        add("legacy", QStringLiteral(" plain "));
        add("nopass", QString()); // NULL
        add("emptytext", QStringLiteral(""));
        add("hashedempty", domain::hashPassword(QString()));
    }

    test::TestDatabase db{GetParam()};
    std::unique_ptr<store::Connection> conn;
};

TEST_P(Login, Table)
{
    struct Case
    {
        const char* code;
        const char* password;
        const char* expectedCode; // nullptr: refused
    };
    const Case cases[] = {
        {"rootadm", "s3cret", "rootadm"},
        {"  rootadm ", " s3cret  ", "rootadm"}, // blanks around both are removed
        {"rootadm", "s3cre", nullptr},
        {"rootadm", "S3CRET", nullptr},
        {"ROOTADM", "s3cret", nullptr}, // codes are compared exactly
        {"unknown", "s3cret", nullptr},
        {"legacy", "plain", "legacy"}, // plain text from an older database
        {"legacy", "plainx", nullptr},
        {"nopass", "   ", nullptr}, // no password at all lets nobody in
        {"nopass", "", nullptr},
        {"nopass", "x", nullptr},
        {"emptytext", "   ", "emptytext"}, // blanks match an empty stored password
        {"emptytext", "x", nullptr},
        {"hashedempty", "  ", "hashedempty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " / " + c.password);
        const auto op = domain::authenticate(conn->db(), QString::fromUtf8(c.code),
                                             QString::fromUtf8(c.password));
        if (c.expectedCode) {
            ASSERT_TRUE(op.has_value());
            EXPECT_EQ(op->code.toStdString(), c.expectedCode);
        } else {
            EXPECT_FALSE(op.has_value());
        }
    }
}

TEST_P(Login, NameLookupUsesTheCodeAsTyped)
{
    EXPECT_EQ(domain::operatorName(conn->db(), QStringLiteral("legacy")),
              QStringLiteral("名legacy"));
    EXPECT_EQ(domain::operatorName(conn->db(), QStringLiteral("nobody")), QString());
}

TEST_P(Login, APlainTextPasswordBecomesAHashAtLogIn)
{
    ASSERT_TRUE(
        domain::authenticate(conn->db(), QStringLiteral("legacy"), QStringLiteral("plain")));
    const QString stored =
        store::scalar(conn->db(),
                      QStringLiteral("select mim from sys_yhxx where yonghdm = 'legacy'"))
            .toString();
    EXPECT_TRUE(domain::isPasswordHash(stored));
    EXPECT_TRUE(
        domain::authenticate(conn->db(), QStringLiteral("legacy"), QStringLiteral(" plain")));
    EXPECT_FALSE(
        domain::authenticate(conn->db(), QStringLiteral("legacy"), QStringLiteral("plainx")));
}

TEST_P(Login, AnAddedOperatorLogsInWithWhatHeTyped)
{
    const QSqlDatabase d = conn->db();
    domain::addOperator(d, QStringLiteral(" clerk "), QStringLiteral("文员"),
                        QStringLiteral(" pw1 "));
    const QString stored =
        store::scalar(d, QStringLiteral("select mim from sys_yhxx where yonghdm = 'clerk'"))
            .toString();
    EXPECT_TRUE(domain::isPasswordHash(stored)); // the code is stored without its blanks
    EXPECT_TRUE(domain::authenticate(d, QStringLiteral("clerk"), QStringLiteral("pw1")));
    // Codes and passwords the rules refuse, each with the operator's message;
    // nothing is stored.
    const struct
    {
        QString code;
        QString password;
        QString message;
    } refused[] = {
        {QStringLiteral("clerk"), QStringLiteral("y"), domain::kCodeTaken},
        {QStringLiteral("abcdefghijklm"), QStringLiteral("y"),
         QStringLiteral("用户代码不能超过12个字符！")},
        {QString(), QStringLiteral("y"), QStringLiteral("用户名称不可为空！")},
        {QStringLiteral("   "), QStringLiteral("y"), QStringLiteral("用户名称不可为空！")},
        {QStringLiteral("a\nb"), QStringLiteral("y"), QStringLiteral("用户代码不能含有控制字符！")},
        {QStringLiteral("a\x1b[2J"), QStringLiteral("y"),
         QStringLiteral("用户代码不能含有控制字符！")},
        {QStringLiteral("new1"), QString(), QStringLiteral("密码不能为空！")},
        {QStringLiteral("new1"), QStringLiteral("  "), QStringLiteral("密码不能为空！")},
        {QStringLiteral("new1"), QString(129, u'x'), QStringLiteral("密码不能超过128个字符！")},
        {QStringLiteral("new1"), QStringLiteral("a\tb"), QStringLiteral("密码不能含有控制字符！")},
    };
    for (const auto& r : refused) {
        SCOPED_TRACE(r.code.toStdString() + " / " + r.password.toStdString());
        try {
            domain::addOperator(d, r.code, QStringLiteral("x"), r.password);
            ADD_FAILURE() << "accepted";
        } catch (const domain::OperatorRuleError& e) {
            EXPECT_EQ(e.message(), r.message);
        }
    }
    EXPECT_NO_THROW(domain::addOperator(d, QStringLiteral("twelve_chars"), QStringLiteral("x"),
                                        QString(128, u'p')));
    QStringList codes;
    for (const domain::Operator& op : domain::listOperators(d))
        codes << op.code;
    EXPECT_EQ(codes, (QStringList{"clerk", "emptytext", "hashedempty", "legacy", "nopass",
                                  "rootadm", "twelve_chars"}));
}

TEST_P(Login, DeletingRefusesTheManagerAndTheLastOperator)
{
    const QSqlDatabase d = conn->db();
    using R = domain::DeleteOperatorResult;
    EXPECT_EQ(domain::deleteOperator(d, QStringLiteral("rootadm")), R::RefusedManager);
    EXPECT_EQ(domain::deleteOperator(d, QStringLiteral("nobody")), R::NotFound);
    EXPECT_EQ(domain::deleteOperator(d, QStringLiteral("legacy")), R::Deleted);
    EXPECT_EQ(domain::deleteOperator(d, QStringLiteral("legacy")), R::NotFound);
    // Without a manager row (renamed away), the last operator still stays.
    ASSERT_TRUE(domain::modifyOperator(d, QStringLiteral("rootadm"), QStringLiteral("boss"),
                                       QStringLiteral("主管")));
    EXPECT_EQ(domain::deleteOperator(d, QStringLiteral("nopass")), R::Deleted);
    EXPECT_EQ(domain::deleteOperator(d, QStringLiteral("hashedempty")), R::Deleted);
    EXPECT_EQ(domain::deleteOperator(d, QStringLiteral("emptytext")), R::Deleted);
    EXPECT_EQ(domain::deleteOperator(d, QStringLiteral("boss")), R::RefusedLast);
    EXPECT_EQ(domain::listOperators(d).size(), 1);
}

TEST_P(Login, TheManagerGivesAnOperatorANewPasswordWhileModifyingHim)
{
    const QSqlDatabase d = conn->db();
    ASSERT_TRUE(domain::modifyOperator(d, QStringLiteral("legacy"), QStringLiteral("legacy"),
                                       QStringLiteral("老用户"), QStringLiteral("forgot1")));
    EXPECT_TRUE(domain::authenticate(d, QStringLiteral("legacy"), QStringLiteral("forgot1")));
    EXPECT_FALSE(domain::authenticate(d, QStringLiteral("legacy"), QStringLiteral("plain")));
    // Renaming onto another operator's code is refused, not left to the key.
    try {
        domain::modifyOperator(d, QStringLiteral("legacy"), QStringLiteral("nopass"), QString());
        ADD_FAILURE() << "accepted";
    } catch (const domain::OperatorRuleError& e) {
        EXPECT_EQ(e.message(), domain::kCodeTaken);
    }
}

TEST_P(Login, ARenamedManagerIsNoManagerAtHisNextLogIn)
{
    const QSqlDatabase d = conn->db();
    ASSERT_TRUE(domain::modifyOperator(d, QStringLiteral("rootadm"), QStringLiteral("boss"),
                                       QStringLiteral("主管")));
    EXPECT_FALSE(
        domain::modifyOperator(d, QStringLiteral("rootadm"), QStringLiteral("x"), QString()));
    EXPECT_FALSE(domain::authenticate(d, QStringLiteral("rootadm"), QStringLiteral("s3cret")));
    const auto op =
        domain::authenticate(d, QStringLiteral("boss"), QStringLiteral("s3cret")); // password kept
    ASSERT_TRUE(op);
    EXPECT_FALSE(domain::isManager(op->code));
    EXPECT_EQ(op->name, QStringLiteral("主管"));
}

TEST_P(Login, ChangingThePasswordChecksTheOldOneAsLogInDoes)
{
    const QSqlDatabase d = conn->db();
    using R = domain::PasswordChange;
    EXPECT_EQ(domain::changePassword(d, "legacy", "plainx", "new"), R::WrongOldPassword);
    EXPECT_EQ(domain::changePassword(d, "legacy", " plain ", " new1 "), R::Changed);
    EXPECT_EQ(domain::changePassword(d, "rootadm", "S3CRET", "x"), R::WrongOldPassword);
    // An empty new password would let anybody in with the code alone.
    EXPECT_THROW(domain::changePassword(d, "rootadm", "s3cret", ""), domain::OperatorRuleError);
    EXPECT_THROW(domain::setPassword(d, QStringLiteral("rootadm"), QStringLiteral(" ")),
                 domain::OperatorRuleError);
    EXPECT_EQ(domain::changePassword(d, "nobody", "", "x"), R::NoSuchOperator);
    EXPECT_TRUE(domain::authenticate(d, QStringLiteral("legacy"), QStringLiteral("new1")));
    EXPECT_FALSE(domain::authenticate(d, QStringLiteral("legacy"), QStringLiteral("plain")));
    EXPECT_FALSE(domain::authenticate(d, QStringLiteral("rootadm"), QString()));
    EXPECT_TRUE(domain::authenticate(d, QStringLiteral("rootadm"), QStringLiteral("s3cret")));
    // The administrator's recovery needs no old password.
    EXPECT_TRUE(domain::setPassword(d, QStringLiteral("rootadm"), QStringLiteral("again")));
    EXPECT_FALSE(domain::setPassword(d, QStringLiteral("nobody"), QStringLiteral("again")));
    EXPECT_TRUE(domain::authenticate(d, QStringLiteral("rootadm"), QStringLiteral("again")));
}

INSTANTIATE_TEST_SUITE_P(Backends, Login, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

TEST(Passwords, HashesAreSaltedAndNeverTheClearText)
{
    const QString a = domain::hashPassword(QStringLiteral("pw"));
    const QString b = domain::hashPassword(QStringLiteral("pw"));
    EXPECT_NE(a, b);
    EXPECT_TRUE(domain::isPasswordHash(a));
    EXPECT_FALSE(a.contains(QStringLiteral("pw$")));
    EXPECT_LE(a.size(), 128); // fits the widened mim column
    EXPECT_TRUE(domain::verifyPassword(a, QStringLiteral("pw")));
    EXPECT_FALSE(domain::verifyPassword(a, QStringLiteral("pw2")));
}

TEST(Operators, ManagerRuleIsCaseSensitive)
{
    EXPECT_TRUE(domain::isManager(QStringLiteral("rootadm")));
    EXPECT_FALSE(domain::isManager(QStringLiteral("Rootadm")));
    EXPECT_FALSE(domain::isManager(QStringLiteral("rootadm ")));
}
