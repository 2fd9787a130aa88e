// hra-cli run as a program: what it writes, what it reads, and which
// database it may make.
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

// Readable texts in failure messages.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace hra;

namespace {

struct Outcome
{
    int status = -1;
    QByteArray out;
    QString err;
};

constexpr QFileDevice::Permissions kOwnerFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadUser | QFileDevice::WriteUser;
constexpr QFileDevice::Permissions kOwnerFolder =
    kOwnerFile | QFileDevice::ExeOwner | QFileDevice::ExeUser;

class FileSafetyCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        database = dir.filePath(QStringLiteral("demo.sqlite3"));
        ini = writeIni(QStringLiteral("hra.ini"), "demo.sqlite3");
        ASSERT_EQ(run({"db", "init", "--demo"}).status, 0);
    }

    QString writeIni(const QString& name, const QByteArray& databaseFile)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("[data]\ndriver=sqlite\ndatabase_file=" + databaseFile + "\n");
        return path;
    }

    // Runs hra-cli under the given umask (the shell sets it), --ini last.
    Outcome run(QStringList args, const char* umask = "077")
    {
        QProcess p;
        // Rendering commands would otherwise warn about it on standard error.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("/bin/sh"),
                QStringList{"-c", QStringLiteral("umask %1; exec \"$0\" \"$@\"").arg(umask),
                            QStringLiteral(HRA_CLI)}
                    << args << QStringLiteral("--ini") << ini);
        p.closeWriteChannel();
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return {-2, {}, QStringLiteral("still running after a minute")};
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
    }

    QString makeFifo(const QString& name)
    {
        const QString path = dir.filePath(name);
        EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        return path;
    }

    int assessments()
    {
        const Outcome r = run({"query"});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        return int(QJsonDocument::fromJson(r.out).array().size());
    }

    QTemporaryDir dir;
    QString database;
    QString ini;
};

} // namespace

// The database itself (through links as well) and what is no regular file
// are never replaced by backup, report or questionnaire.
TEST_F(FileSafetyCliTest, WritersRefuseTheDatabaseAndFilesThatAreNotRegular)
{
    const QString symbolic = dir.filePath(QStringLiteral("link.sqlite3"));
    const QString hard = dir.filePath(QStringLiteral("hard.sqlite3"));
    ASSERT_TRUE(QFile::link(database, symbolic));
    ASSERT_EQ(::link(QFile::encodeName(database).constData(), QFile::encodeName(hard).constData()),
              0);
    const QString pipe = makeFifo(QStringLiteral("pipe"));
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const int before = assessments();
    ASSERT_EQ(before, 6);

    const auto isDatabase = [](const QString& p) {
        return QStringLiteral("error: %1 is the database in use; choose another file\n").arg(p);
    };
    const auto isOpen = [](const QString& p) {
        return QStringLiteral("error: %1 is a file the program has open; choose another file\n")
            .arg(p);
    };
    const auto notRegular = [](const QString& p) {
        return QStringLiteral("error: %1 exists and is no regular file; it is not replaced\n")
            .arg(p);
    };
    const QStringList report{"report", "--record", "0000000001", "--section", "高血压", "--pdf"};
    const struct
    {
        QStringList args;
        QString err;
    } cases[] = {
        {{"backup", "--out", database}, isDatabase(database)},
        {{"backup", "--out", symbolic}, isDatabase(symbolic)},
        {{"backup", "--out", hard}, isDatabase(hard)},
        {{"backup", "--out", pipe}, notRegular(pipe)},
        {{"backup", "--out", folder}, notRegular(folder)},
        {report + QStringList{database}, isOpen(database)},
        {report + QStringList{symbolic}, isOpen(symbolic)},
        {report + QStringList{hard}, isOpen(hard)},
        {report + QStringList{pipe}, notRegular(pipe)},
        {{"questionnaire", "--pdf", pipe}, notRegular(pipe)},
        {{"questionnaire", "--pdf", symbolic},
         QStringLiteral("error: %1 is the database in use; choose another file\n").arg(symbolic)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(assessments(), before);
    }
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(pipe).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(QFileInfo(symbolic).isSymLink());
}

// Personal data is for the owner alone even under umask 000: the report's
// PDF and PNG pages, the backup, and the folders made for them.
TEST_F(FileSafetyCliTest, OutputIsPrivateWhateverTheUmask)
{
    const QString pdf = dir.filePath(QStringLiteral("out/r.pdf"));
    const QString png = dir.filePath(QStringLiteral("pages"));
    const QString backup = dir.filePath(QStringLiteral("saved/b.sqlite3"));
    const Outcome r =
        run({"report", "--record", "0000000002", "--section", "高血压", "--pdf", pdf, "--png", png},
            "000");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    ASSERT_EQ(run({"backup", "--out", backup}, "000").status, 0);
    EXPECT_EQ(QFileInfo(pdf).permissions(), kOwnerFile);
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("out"))).permissions(), kOwnerFolder);
    EXPECT_EQ(QFileInfo(png).permissions(), kOwnerFolder);
    EXPECT_EQ(QFileInfo(png + QStringLiteral("/page-001.png")).permissions(), kOwnerFile);
    EXPECT_EQ(QFileInfo(backup).permissions(), kOwnerFile);
    EXPECT_EQ(QFileInfo(dir.filePath(QStringLiteral("saved"))).permissions(), kOwnerFolder);
    // An existing PDF readable by others becomes private when replaced.
    QFile::setPermissions(pdf, kOwnerFile | QFileDevice::ReadOther | QFileDevice::ReadGroup);
    ASSERT_EQ(run({"questionnaire", "--pdf", pdf}, "000").status, 0);
    EXPECT_EQ(QFileInfo(pdf).permissions(), kOwnerFile);
}

// A pipe, a device or a folder given to read is refused at once instead of
// blocking or being taken for something else; so is a configuration file
// that is none.
TEST_F(FileSafetyCliTest, InputsThatAreNoRegularFilesAreRefusedAtOnce)
{
    const QString pipe = makeFifo(QStringLiteral("pipe"));
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString binary = dir.filePath(QStringLiteral("binary.ini"));
    {
        QFile f(binary);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\x7f"
                           "ELF\0\0\0[data]",
                           13));
    }
    const QString notRegular = QStringLiteral("%1 is no regular file (a device or a pipe)");
    const struct
    {
        QStringList args;
        QString err;
    } cases[] = {
        {{"assessment", "import", "--file", pipe},
         QStringLiteral("error: ") + notRegular.arg(pipe) + u'\n'},
        {{"restore", "--from", pipe, "--force"},
         QStringLiteral("error: ") + notRegular.arg(pipe) + u'\n'},
        {{"restore", "--from", "/dev/zero", "--force"},
         QStringLiteral("error: ") + notRegular.arg("/dev/zero") + u'\n'},
        {{"restore", "--from", folder, "--force"},
         QStringLiteral("error: %1 is a folder, not a file\n").arg(folder)},
        {{"restore", "--from", dir.filePath("missing"), "--force"},
         QStringLiteral("error: %1 does not exist\n").arg(dir.filePath("missing"))},
        {{"db", "connection-string", "--ini", pipe},
         QStringLiteral("error: the configuration file ") + notRegular.arg(pipe) + u'\n'},
        {{"query", "--ini", binary},
         QStringLiteral("error: %1 is not a configuration file of this program (it has no [data] "
                        "section)\n")
             .arg(binary)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(assessments(), 6);
}

// Only db init makes a database; every other command leaves a missing one
// missing, and its folder too.
TEST_F(FileSafetyCliTest, OnlyDbInitMakesADatabase)
{
    ini = writeIni(QStringLiteral("elsewhere.ini"), "new/hra.sqlite3");
    const QString missing = dir.filePath(QStringLiteral("new/hra.sqlite3"));
    const QList<QStringList> commands{
        {"query"},
        {"operator", "list"},
        {"db", "upgrade"},
        {"assessment", "show", "--record", "0000000001", "--assessment", "1"},
        {"analyse", "--record", "0000000001", "--assessment", "1"},
        {"report", "--record", "0000000001", "--pdf", dir.filePath("r.pdf")},
        {"backup", "--out", dir.filePath("b.sqlite3")},
    };
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 1) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("new"))));
    }
    EXPECT_EQ(run({"questionnaire", "--pdf", dir.filePath("q.pdf")}).status, 0);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("new"))));
    ASSERT_EQ(run({"db", "init"}).status, 0);
    EXPECT_TRUE(QFileInfo(missing).isFile());
}

// Any valid date bounds a range (the day after 9999-12-31 has no
// four-digit year); an age bound alone is refused, as a date alone is.
TEST_F(FileSafetyCliTest, QueryRangesTakeAnyValidDateAndBothAgeBounds)
{
    const Outcome all = run({"query", "--from", "0001-01-01", "--to", "9999-12-31"});
    ASSERT_EQ(all.status, 0) << all.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(all.out).array().size(), 6);
    for (const QStringList& args :
         {QStringList{"--age-from", "60"}, QStringList{"--age-to", "60"}}) {
        const Outcome r = run(QStringList{"query"} + args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "error: --age-from and --age-to go together; give both (the same age "
                         "twice for one age)\n");
        EXPECT_TRUE(r.out.isEmpty());
    }
    const Outcome date = run({"query", "--from", "2000-01-01"});
    EXPECT_EQ(date.status, 2);
}

// A database that lacks a declared column is refused when it is opened,
// with the table and column named; db upgrade adds the column.
TEST_F(FileSafetyCliTest, MissingColumnIsRefusedAtOpenAndUpgradeAddsIt)
{
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("drop"));
        db.setDatabaseName(database);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("alter table jkpg_tgjc drop column tiz")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("drop"));
    const QString refused = QStringLiteral(
        "error: the database lacks the column jkpg_tgjc.tiz; run hra-cli db upgrade to add it\n");
    const QString file = dir.filePath(QStringLiteral("a.json"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(R"({"record": "0000000001", "answers": {"jkpg_tgjc": {"sheng": 1.75, "tiz": 70,
            "yaow": 80, "shousy": 120, "shuzy": 80, "zongdgc": 4.5, "ganysz": 1.2,
            "kongfxt": 5.0, "canhexsxt": 6.0}}})");
    }
    for (const QStringList& args :
         {QStringList{"assessment", "import", "--file", file},
          QStringList{"report", "--record", "0000000001", "--pdf", dir.filePath("r.pdf")},
          QStringList{"query"}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, refused);
    }
    const Outcome upgrade = run({"db", "upgrade"});
    ASSERT_EQ(upgrade.status, 0) << upgrade.err.toStdString();
    EXPECT_EQ(upgrade.out, "{\"added_columns\": [\"jkpg_tgjc.tiz\"], \"created_indexes\": [], "
                           "\"schema_version\": 3}\n");
    const Outcome imported = run({"assessment", "import", "--file", file});
    EXPECT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(assessments(), 7);
}
