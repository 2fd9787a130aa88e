#include "store/Operators.h"
#include "store/Passwords.h"
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
            store::run(d,
                       QStringLiteral("insert into sys_yhxx (yonghdm, yonghmc, mim) values (:c, :n, :m)"),
                       {{"c", QString::fromUtf8(code)}, {"n", QStringLiteral("名") + QString::fromUtf8(code)},
                        {"m", mim}});
        };
        add("rootadm", store::hashPassword(QStringLiteral("s3cret")));
        add("legacy", QStringLiteral(" plain "));
        add("nopass", QString());
        add("hashedempty", store::hashPassword(QString()));
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
        {"ROOTADM", "s3cret", nullptr},          // codes are compared exactly
        {"unknown", "s3cret", nullptr},
        {"legacy", "plain", "legacy"},           // plain text from an older database
        {"legacy", "plainx", nullptr},
        {"nopass", "   ", "nopass"},             // blanks match an empty stored password
        {"nopass", "", "nopass"},
        {"nopass", "x", nullptr},
        {"hashedempty", "  ", "hashedempty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " / " + c.password);
        const auto op = store::authenticate(conn->db(), QString::fromUtf8(c.code), QString::fromUtf8(c.password));
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
    EXPECT_EQ(store::operatorName(conn->db(), QStringLiteral("legacy")), QStringLiteral("名legacy"));
    EXPECT_EQ(store::operatorName(conn->db(), QStringLiteral("nobody")), QString());
}

INSTANTIATE_TEST_SUITE_P(Backends, Login, ::testing::ValuesIn(test::databaseBackends()),
                         [](const auto& info) { return test::backendName(info.param); });

TEST(Passwords, HashesAreSaltedAndNeverTheClearText)
{
    const QString a = store::hashPassword(QStringLiteral("pw"));
    const QString b = store::hashPassword(QStringLiteral("pw"));
    EXPECT_NE(a, b);
    EXPECT_TRUE(store::isPasswordHash(a));
    EXPECT_FALSE(a.contains(QStringLiteral("pw$")));
    EXPECT_LE(a.size(), 128); // fits the widened mim column
    EXPECT_TRUE(store::verifyPassword(a, QStringLiteral("pw")));
    EXPECT_FALSE(store::verifyPassword(a, QStringLiteral("pw2")));
}

TEST(Operators, ManagerRuleIsCaseSensitive)
{
    EXPECT_TRUE(store::isManager(QStringLiteral("rootadm")));
    EXPECT_FALSE(store::isManager(QStringLiteral("Rootadm")));
    EXPECT_FALSE(store::isManager(QStringLiteral("rootadm ")));
}
