// The data-analysis logic apart from its windows: the choice of assessment,
// the sections, the cover rule and the centre and cover settings.

#include "analysis/AnalysisSession.h"
#include "report/CentreSettings.h"
#include "report/Jpeg.h"
#include "report/Lookup.h"
#include "report/SectionBuild.h"
#include "report/Sections.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "store/Sql.h"
#include "support/CraftedPictures.h"
#include "support/TestDatabase.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace hra::test {
namespace {

using analysis::Evaluation;
using report::AnalysisLookup;

QString reportsDir()
{
    return qEnvironmentVariable("HRA_SOURCE_DIR") + QStringLiteral("/reports");
}

QImage filled(QColor color, QSize size = {60, 80})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

class ReportCore : public ::testing::TestWithParam<store::Driver>
{
protected:
    void SetUp() override
    {
        database = std::make_unique<TestDatabase>(GetParam());
        HRA_REQUIRE_BACKEND(*database);
        conn = database->connectInitialised(QStringLiteral("report"), true);
        ASSERT_TRUE(conn);
    }

    int count(const QString& sql) const { return store::scalar(conn->db(), sql).toInt(); }

    std::unique_ptr<TestDatabase> database;
    std::unique_ptr<store::Connection> conn;
};

INSTANTIATE_TEST_SUITE_P(Backends, ReportCore, ::testing::ValuesIn(databaseBackends()),
                         [](const auto& info) { return backendName(info.param); });

// Demo persons: 0000000001 has 1 (结束) and 5 (评估), 0000000002 has 2
// (结束), 0000000003 has 3 (评估), 0000000004 has 4 and 6 (both 结束).
TEST_P(ReportCore, LookupAnalysesAnOpenLatestAssessmentAndListsOtherwise)
{
    const struct
    {
        const char* record;
        bool history;
        AnalysisLookup::Action action;
        qint32 assessment;
        const char* state;
        QList<qint32> listed;
    } cases[] = {
        {"0000000003", false, AnalysisLookup::Action::Analyse, 3, "评估", {}},
        {"0000000001", false, AnalysisLookup::Action::Analyse, 5, "评估", {}},
        {"0000000004", false, AnalysisLookup::Action::ChooseFrom, 0, "结束", {4, 6}},
        {"0000000003", true, AnalysisLookup::Action::ChooseFrom, 0, "", {3}},
        {"0000000001", true, AnalysisLookup::Action::ChooseFrom, 0, "", {1, 5}},
        {"9999999999", false, AnalysisLookup::Action::NotFound, 0, "", {}},
        {"9999999999", true, AnalysisLookup::Action::NotFound, 0, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.record) + (c.history ? " with history" : ""));
        const AnalysisLookup found =
            report::lookupForAnalysis(conn->db(), QString::fromLatin1(c.record), c.history);
        EXPECT_EQ(found.action, c.action);
        EXPECT_EQ(found.assessmentId, c.assessment);
        EXPECT_EQ(found.stateText, QString::fromUtf8(c.state));
        QList<qint32> listed;
        for (const domain::AssessmentSummary& a : found.assessments)
            listed << a.id;
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(found.person.has_value(), c.action != AnalysisLookup::Action::NotFound);
    }
}

TEST_P(ReportCore, ALatestAssessmentInAnUnknownStateSelectsNothing)
{
    store::run(conn->db(), QStringLiteral("insert into jkpg_id (jkpg_id, bianh, id, zhuangt) "
                                          "values (7, '0000000002', '0000000002', '暂停')"));
    const AnalysisLookup found =
        report::lookupForAnalysis(conn->db(), QStringLiteral("0000000002"), false);
    EXPECT_EQ(found.action, AnalysisLookup::Action::Nothing);
    EXPECT_EQ(found.assessmentId, 0);
}

// Written out apart from the section table: what each tree node runs.
TEST(Sections, EachSectionRunsItsEvaluationsThenTheReportInput)
{
    const std::vector<Evaluation> input{Evaluation::BloodPressure, Evaluation::Coronary,
                                        Evaluation::Stroke, Evaluation::Diabetes};
    auto with = [&input](std::vector<Evaluation> own) {
        own.insert(own.end(), input.begin(), input.end());
        return own;
    };
    const struct
    {
        const char* name;
        const char* file;
        std::vector<Evaluation> order;
        bool cover;
    } expected[] = {
        {"封面前言", "fpqy.fr3", with({}), true},
        {"当前状况", "jkxx.fr3", with({Evaluation::LabJudgement, Evaluation::MetabolicScreen}),
         false},
        {"代谢紊乱", "dxwl.fr3", with({}), false},
        {"高血压", "gxy.fr3", with({}), false},
        {"糖尿病", "tnb.fr3", with({}), false},
        {"冠心病", "gxb.fr3", with({}), false},
        {"动脉粥样化", "dmzy.fr3", with({}), false},
        {"脑卒中", "nzz.fr3", with({}), false},
        {"膳食营养", "ssyy.fr3", with({Evaluation::DietScores}), false},
        {"运动分析", "yd.fr3", with({Evaluation::ExercisePrescription, Evaluation::LabJudgement}),
         false},
        {"评估建议", "wxys.fr3", with({Evaluation::LabJudgement, Evaluation::LifestyleRisks}),
         false},
        {"评估报告", "pgbg.fr3", analysis::AnalysisSession::wholeReportOrder(), true},
        {"风险预测与趋势", "fxyc.fr3", with({}), false},
    };
    QStringList names;
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        names << QString::fromUtf8(e.name);
        const report::Section* section = report::findSection(QString::fromUtf8(e.name));
        ASSERT_NE(section, nullptr);
        EXPECT_EQ(section->templateFile, QString::fromUtf8(e.file));
        EXPECT_TRUE(report::runOrder(*section) == e.order);
        EXPECT_EQ(section->cover, e.cover);
        EXPECT_TRUE(QFile::exists(report::templatePath(reportsDir(), *section)));
    }
    EXPECT_EQ(report::sectionNames(), names);
    // Names are compared exactly.
    EXPECT_EQ(report::findSection(QStringLiteral("评估报告 ")), nullptr);
    EXPECT_EQ(report::findSection(QStringLiteral("数据分析")), nullptr);
}

TEST(Sections, PdfFileNameHoldsRecordNameAndDateAndNoPathCharacters)
{
    EXPECT_EQ(report::pdfFileName(QStringLiteral("0000000001"), QStringLiteral("张建国"),
                                  QDate(2026, 3, 9)),
              QStringLiteral("0000000001_张建国_20260309.pdf"));
    EXPECT_EQ(report::pdfFileName(QStringLiteral("../a/b"), QStringLiteral("李*"), QDate()),
              QStringLiteral(".._a_b_李_.pdf"));
}

TEST_P(ReportCore, TheWholeReportHas24PagesNumberedInOrder)
{
    analysis::AnalysisSession session(*conn);
    session.open(QStringLiteral("0000000001"), 1);
    reportengine::Report report;
    report::prepareSection(report, session, *conn, *report::findSection(report::kWholeReport),
                           reportsDir());
    ASSERT_TRUE(report.build()) << report.lastError().toStdString();
    EXPECT_TRUE(report.lastWarnings().isEmpty()) << report.lastWarnings().join(u'\n').toStdString();
    ASSERT_EQ(report.pageCount(), 24);
    // The cover carries no footer; every other page its number in the whole report.
    for (int i = 1; i < 24; ++i)
        EXPECT_TRUE(report.pageText(i).contains(QStringLiteral("第 %1 页").arg(i + 1)))
            << "page " << i + 1;
    EXPECT_TRUE(report.pageText(6).contains(QStringLiteral("162/102")));
    EXPECT_TRUE(report::problemsText(session).isEmpty());
}

TEST_P(ReportCore, ACoverPrintsTheStoredPictureOrNone)
{
    analysis::AnalysisSession session(*conn);
    session.open(QStringLiteral("0000000003"), 3);
    const report::Section& cover = *report::findSection(QStringLiteral("封面前言"));
    // A point of the cover's left edge, clear of every text.
    const QPoint probe(30, 300);
    reportengine::Report report;

    report::prepareSection(report, session, *conn, cover, reportsDir());
    ASSERT_TRUE(report.build());
    EXPECT_EQ(reportengine::renderPage(report.built(), 0, 40).pixelColor(probe), QColor(Qt::white));

    report::saveCover(*conn, report::encodeJpeg(filled(QColor(0, 0, 255))));
    report::prepareSection(report, session, *conn, cover, reportsDir());
    ASSERT_TRUE(report.build());
    const QColor seen = reportengine::renderPage(report.built(), 0, 40).pixelColor(probe);
    EXPECT_LT(seen.red(), 30);
    EXPECT_GT(seen.blue(), 220);

    // A stored cover too large to decode is left out; the report still builds.
    report::saveCover(*conn, jpegClaiming(60000, 60000));
    report::prepareSection(report, session, *conn, cover, reportsDir());
    ASSERT_TRUE(report.build());
    EXPECT_EQ(reportengine::renderPage(report.built(), 0, 40).pixelColor(probe), QColor(Qt::white));

    // A section without a cover leaves its pictures alone.
    report::prepareSection(report, session, *conn, *report::findSection(QStringLiteral("高血压")),
                           reportsDir());
    ASSERT_TRUE(report.build());
    EXPECT_GT(report.pageCount(), 0);
}

TEST_P(ReportCore, AnEvaluationWithoutResultIsToldOnceAndTheRestBuilds)
{
    // Without a sex the exercise prescription has no result.
    store::run(conn->db(),
               QStringLiteral("update jkpg_jbxx set xingb=NULL where bianh='0000000003'"));
    analysis::AnalysisSession session(*conn);
    session.open(QStringLiteral("0000000003"), 3);
    reportengine::Report report;
    report::prepareSection(report, session, *conn, *report::findSection(QStringLiteral("运动分析")),
                           reportsDir());
    ASSERT_TRUE(report.build());
    EXPECT_GT(report.pageCount(), 0);
    const QString told = report::problemsText(session);
    // One heading and one line for the one evaluation without a result.
    EXPECT_EQ(told.split(u'\n').size(), 2) << told.toStdString();
    EXPECT_TRUE(told.contains(analysis::evaluationName(Evaluation::ExercisePrescription)))
        << told.toStdString();
}

TEST_P(ReportCore, CentreSaveTrimsRefusesABlankNameAndNamesTheCentreEverywhere)
{
    EXPECT_EQ(report::saveCentre(*conn, {QStringLiteral("   "), QStringLiteral("地址")}),
              report::CentreSave::EmptyName);
    EXPECT_EQ(report::loadCentre(*conn).name, QStringLiteral("示例健康管理评估中心"));

    store::run(conn->db(), QStringLiteral("insert into sys_information (pinggzx) values ('旧')"));
    // Region and area take their two texts or nothing, and refuse anything else whole.
    EXPECT_EQ(report::saveCentre(*conn, {QStringLiteral("新中心"), {}, QStringLiteral("华北")}),
              report::CentreSave::UnknownRegion);
    EXPECT_EQ(report::saveCentre(*conn, {QStringLiteral("新中心"), {}, {}, QStringLiteral("郊区")}),
              report::CentreSave::UnknownArea);
    EXPECT_EQ(report::loadCentre(*conn).name, QStringLiteral("示例健康管理评估中心"));
    EXPECT_EQ(report::saveCentre(*conn, {QStringLiteral("  新中心 "), QStringLiteral(" 新路2号  "),
                                         QStringLiteral("南方"), QStringLiteral(" 农村")}),
              report::CentreSave::Saved);
    const report::Centre centre = report::loadCentre(*conn);
    EXPECT_EQ(centre.name, QStringLiteral("新中心"));
    EXPECT_EQ(centre.address, QStringLiteral("新路2号"));
    EXPECT_EQ(centre.region, QStringLiteral("南方"));
    EXPECT_EQ(centre.area, QStringLiteral("农村"));
    EXPECT_EQ(count(QStringLiteral("select count(*) from sys_information where pinggzx='新中心'")),
              count(QStringLiteral("select count(*) from sys_information")));
    EXPECT_EQ(count(QStringLiteral("select count(*) from jkpg_pgzx")), 1);
}

TEST_P(ReportCore, TheFirstCentreSaveOnAnEmptyTableStoresTheRow)
{
    store::run(conn->db(), QStringLiteral("delete from jkpg_pgzx"));
    EXPECT_EQ(report::loadCentre(*conn).name, QString());
    ASSERT_EQ(report::saveCentre(*conn, {QStringLiteral("首个中心")}), report::CentreSave::Saved);
    EXPECT_EQ(count(QStringLiteral("select count(*) from jkpg_pgzx")), 1);
    EXPECT_EQ(report::loadCentre(*conn).name, QStringLiteral("首个中心"));
    EXPECT_EQ(store::scalar(conn->db(), QStringLiteral("select dizl from jkpg_pgzx")).toString(),
              QString());
    EXPECT_TRUE(
        store::isNull(store::scalar(conn->db(), QStringLiteral("select diq from jkpg_pgzx"))));
}

TEST(CoverPicture, APictureTooLargeOrBrokenIsRefusedWithTheOperatorsMessage)
{
    const QByteArray good = report::encodeJpeg(filled(Qt::red));
    const QByteArray huge = jpegClaiming(60000, 60000);
    struct Case
    {
        const char* label;
        QByteArray data;
        QString message; // empty: decoded
    };
    const Case cases[] = {
        {"a picture", good, {}},
        {"60000 x 60000 claimed", huge, QStringLiteral("图片尺寸过大（60000×60000像素）")},
        {"one side too long", jpegClaiming(40000, 8),
         QStringLiteral("图片尺寸过大（40000×8像素）")},
        {"cut short", good.left(good.size() / 3), QStringLiteral("图片已损坏或格式无法识别")},
        {"no JPEG", QByteArray("GIF89a"), QStringLiteral("图片已损坏或格式无法识别")},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        QString error;
        const QImage image = report::decodeJpeg(c.data, &error);
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(image.isNull(), !c.message.isEmpty());

        const QString path = dir.filePath(QStringLiteral("picture.jpg"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.data);
        file.close();
        error.clear();
        EXPECT_EQ(report::jpegFromFile(path, &error), c.message.isEmpty() ? c.data : QByteArray());
        EXPECT_EQ(error, c.message);
    }
}

TEST_P(ReportCore, CoverSavedTwiceLeavesOneRow)
{
    EXPECT_FALSE(report::loadCover(*conn).has_value());
    const QByteArray first = report::encodeJpeg(filled(Qt::red));
    const QByteArray second = report::encodeJpeg(filled(Qt::green));
    report::saveCover(*conn, first);
    report::saveCover(*conn, second);
    EXPECT_EQ(count(QStringLiteral("select count(*) from sys_bgfm")), 1);
    EXPECT_EQ(count(QStringLiteral("select tup_id from sys_bgfm")), 1);
    EXPECT_EQ(report::loadCover(*conn), second);
}

TEST(ReportCoreSqlite, AFailedCoverInsertKeepsTheOldCover)
{
    TestDatabase database(store::Driver::Sqlite);
    auto conn = database.connectInitialised(QStringLiteral("cover"));
    const QByteArray old = report::encodeJpeg(filled(Qt::red));
    report::saveCover(*conn, old);
    store::execute(conn->db(),
                   QStringLiteral("create trigger refuse_cover before insert on sys_bgfm "
                                  "begin select raise(abort, 'refused'); end"));
    EXPECT_THROW(report::saveCover(*conn, report::encodeJpeg(filled(Qt::green))),
                 store::DatabaseError);
    EXPECT_EQ(report::loadCover(*conn), old);
}

TEST(Jpeg, AJpegFileIsKeptAsItIsAndOtherPicturesAreCompressed)
{
    QTemporaryDir dir;
    QImage gradient(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y)
        for (int x = 0; x < gradient.width(); ++x)
            gradient.setPixelColor(x, y, QColor(x * 4, y * 5, 128));

    // A JPEG written at a quality other than the default: stored byte for byte.
    QByteArray ownJpeg;
    {
        QBuffer buffer(&ownJpeg);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(gradient.save(&buffer, "JPG", 95));
    }
    const QString jpgPath = dir.filePath(QStringLiteral("cover.jpg"));
    QFile jpg(jpgPath);
    ASSERT_TRUE(jpg.open(QIODevice::WriteOnly));
    jpg.write(ownJpeg);
    jpg.close();
    EXPECT_EQ(report::jpegFromFile(jpgPath), ownJpeg);

    const QString pngPath = dir.filePath(QStringLiteral("cover.png"));
    ASSERT_TRUE(gradient.save(pngPath));
    const QByteArray converted = report::jpegFromFile(pngPath);
    ASSERT_TRUE(report::looksLikeJpeg(converted));
    const QImage back = report::decodeJpeg(converted);
    ASSERT_EQ(back.size(), gradient.size());
    const QColor centre = back.pixelColor(32, 24);
    EXPECT_NEAR(centre.red(), 128, 12);
    EXPECT_NEAR(centre.green(), 120, 12);
    EXPECT_NEAR(centre.blue(), 128, 12);

    QString error;
    const QString textPath = dir.filePath(QStringLiteral("note.txt"));
    QFile text(textPath);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no picture");
    text.close();
    EXPECT_TRUE(report::jpegFromFile(textPath, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    // Data that only starts like a JPEG is refused, not a crash or an exit.
    error.clear();
    EXPECT_TRUE(report::decodeJpeg(QByteArray("\xFF\xD8\xFF\xE0garbage", 11), &error).isNull());
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace hra::test
