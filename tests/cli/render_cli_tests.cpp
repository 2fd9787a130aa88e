// hra-cli render run as a program: what a failing or hostile run leaves behind.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int code = -1; // -1: the program crashed
    QString err;
};

class RenderCli : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        write(QStringLiteral("t.xml"),
              "<report><page name=\"p\"><text width=\"400\" height=\"40\" font=\"黑体\" "
              "size=\"20\">健康 report</text></page></report>");
        write(QStringLiteral("d.json"), "{\"s\":[{\"v\":1}]}");
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    void write(const QString& name, const QByteArray& content) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    CliRun render(const QStringList& extra, const QString& templ = {}, const QString& data = {},
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) const
    {
        QProcess p;
        QProcessEnvironment e = env;
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(HRA_CLI_PATH),
                QStringList{QStringLiteral("render"), QStringLiteral("--template"),
                            templ.isEmpty() ? path(QStringLiteral("t.xml")) : templ,
                            QStringLiteral("--data"),
                            data.isEmpty() ? path(QStringLiteral("d.json")) : data,
                            QStringLiteral("--pdf"), path(QStringLiteral("out/r.pdf"))} +
                    extra);
        EXPECT_TRUE(p.waitForFinished(120000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardError())};
    }

    // Everything in out/ but the PNG folder.
    QStringList leftOver() const
    {
        return QDir(path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir m_dir;
};

TEST_F(RenderCli, AFailedRunLeavesNoPdfAndAnEarlierOneUntouched)
{
    write(QStringLiteral("not-a-folder"), "x");
    const struct
    {
        QStringList args;
        int code;
    } cases[] = {
        {{QStringLiteral("--dpi"), QStringLiteral("nan")}, 2},
        {{QStringLiteral("--dpi"), QStringLiteral("inf")}, 2},
        {{QStringLiteral("--dpi"), QStringLiteral("5")}, 2},
        // The PNG export fails after the PDF is done.
        {{QStringLiteral("--png"), path(QStringLiteral("not-a-folder"))}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const CliRun run = render(c.args);
        EXPECT_EQ(run.code, c.code) << run.err.toStdString();
        EXPECT_EQ(leftOver(), QStringList());
    }
    QDir().mkpath(path(QStringLiteral("out")));
    write(QStringLiteral("out/r.pdf"), "earlier");
    EXPECT_EQ(render({QStringLiteral("--png"), path(QStringLiteral("not-a-folder"))}).code, 1);
    EXPECT_EQ(leftOver(), QStringList({QStringLiteral("r.pdf")}));
    QFile earlier(path(QStringLiteral("out/r.pdf")));
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), QByteArray("earlier"));
    earlier.close();

    const CliRun ok = render({QStringLiteral("--png"), path(QStringLiteral("out/png"))});
    EXPECT_EQ(ok.code, 0) << ok.err.toStdString();
    EXPECT_EQ(leftOver(), QStringList({QStringLiteral("r.pdf")}));
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_TRUE(earlier.readAll().startsWith("%PDF"));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("out/png/page-001.png"))));
}

TEST_F(RenderCli, EndlessInputIsRefusedWithAnError)
{
    for (const auto& [templ, data] : {std::pair{QStringLiteral("/dev/zero"), QString()},
                                      std::pair{QString(), QStringLiteral("/dev/zero")}}) {
        const CliRun run = render({}, templ, data);
        EXPECT_EQ(run.code, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("larger than"))) << run.err.toStdString();
        EXPECT_EQ(leftOver(), QStringList());
    }
}

// Fontconfig reads its set-up once per process: each font set-up runs the
// program afresh.
TEST_F(RenderCli, MissingFontsAreAWarningNotACrashOrSilentlyLostText)
{
    QDir().mkpath(path(QStringLiteral("fonts/none")));
    QDir().mkpath(path(QStringLiteral("fonts/latin")));
    const QString latinFont = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    if (!QFile::copy(latinFont, path(QStringLiteral("fonts/latin/latin.ttf"))))
        GTEST_SKIP() << "no " << latinFont.toStdString();
    const struct
    {
        const char* folder;
        const char* warning;
    } cases[] = {
        {"none", "no font could be found"},
        {"latin", "no font has a glyph for 2 character(s), which print as empty boxes: 健康"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const QString conf = path(QStringLiteral("fonts/%1.conf").arg(QLatin1String(c.folder)));
        write(QStringLiteral("fonts/%1.conf").arg(QLatin1String(c.folder)),
              QStringLiteral("<?xml version=\"1.0\"?><fontconfig><dir>%1</dir>"
                             "<cachedir>%2</cachedir></fontconfig>")
                  .arg(path(QStringLiteral("fonts/%1").arg(QLatin1String(c.folder))),
                       path(QStringLiteral("fonts/cache")))
                  .toUtf8());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FONTCONFIG_FILE"), conf);
        const CliRun run = render({}, {}, {}, env);
        EXPECT_EQ(run.code, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.warning))) << run.err.toStdString();
    }
    // With the fonts of the system nothing is missing.
    const CliRun run = render({});
    EXPECT_EQ(run.code, 0);
    EXPECT_FALSE(run.err.contains(QStringLiteral("glyph"))) << run.err.toStdString();
}

} // namespace
