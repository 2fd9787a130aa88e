// Shows the person-record windows with sample data and saves a picture of
// each: records-screenshots <output folder>. Run under xvfb-run.
#include "domain/SessionState.h"
#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "store/Sql.h"
#include "support/TestDatabase.h"
#include "ui/PromptService.h"
#include "windows/records/BrowseRecordWindow.h"
#include "windows/records/Context.h"
#include "windows/records/CreateRecordWindow.h"
#include "windows/records/DeleteRecordWindow.h"
#include "windows/records/ModifyRecordWindow.h"
#include "windows/records/PersonForm.h"
#include "windows/records/PersonListReport.h"
#include "windows/records/PersonListSource.h"
#include "windows/records/RenumberDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace hra;

namespace {

void save(QWidget* w, const QString& dir, const QString& name)
{
    w->show();
    QCursor::setPos(0, 0); // no button under the mouse, so none is drawn red
    QTest::qWait(200);
    w->grab().save(QDir(dir).filePath(name));
}

QString portrait(const QString& dir)
{
    QImage image(120, 150, QImage::Format_RGB32);
    image.fill(QColor(214, 228, 240));
    QPainter p(&image);
    p.setBrush(QColor(120, 140, 170));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(60, 55), 28, 32);
    p.drawRoundedRect(QRect(22, 95, 76, 70), 30, 30);
    p.end();
    const QString path = QDir(dir).filePath("portrait.png");
    image.save(path);
    return path;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);
    QTemporaryDir tmp;
    test::TestDatabase database(store::Driver::Sqlite);
    auto conn = database.connectInitialised();
    domain::SessionState session;
    ui::ScriptedPromptService prompts;
    records::Context context{*conn,
                             session,
                             prompts,
                             {},
                             QString::fromLocal8Bit(qgetenv("HRA_SOURCE_DIR")) + "/reports"};

    const struct
    {
        const char *bh, *xm, *xb, *zunc, *sfz;
        int age;
        const char *minz, *zhiy, *hyzk, *whcd, *lxfs, *dw, *dz, *yj;
    } people[] = {
        {"0000000101", "张伟", "男", "先生", "110101197503120017", 49, "汉族", "机关干部", "已婚",
         "本科", "13801010101", "市卫生局", "北京市东城区和平里1号", "zhangwei@example.cn"},
        {"0000000102", "王芳", "女", "女士", "110102198208230024", 42, "回族", "教师", "已婚",
         "大专", "13902020202", "第三中学", "北京市西城区月坛南街5号", "wangfang@example.cn"},
        {"0000000103", "李强", "男", "先生", "110105196011050031", 64, "汉族", "离退休", "丧偶",
         "中学", "010-66668888", "", "北京市朝阳区团结湖路12号", ""},
        {"0000000104", "刘洋", "女", "女士", "110106199001150048", 34, "蒙古族", "技术人员", "未婚",
         "本科以上", "15003030303", "华新科技有限公司", "北京市丰台区方庄芳城园3区",
         "liuyang@example.cn"},
    };
    for (const auto& p : people)
        store::run(
            conn->db(),
            "insert into jkpg_jbxx (bianh, xingm, xingb, zunc, shenfzh, nianl, minz, zhiy, hunyzk, "
            "wenhcd, lianxfs, gongzdw, tongxdz, youj, lurrq) values (:a, :b, :c, :d, :e, :f, :g, "
            ":h, :i, :j, :k, :l, :m, :n, '2024-05-06T09:30:00')",
            {{"a", p.bh},
             {"b", p.xm},
             {"c", p.xb},
             {"d", p.zunc},
             {"e", p.sfz},
             {"f", p.age},
             {"g", p.minz},
             {"h", p.zhiy},
             {"i", p.hyzk},
             {"j", p.whcd},
             {"k", p.lxfs},
             {"l", p.dw},
             {"m", p.dz},
             {"n", p.yj}});
    const QString picture = portrait(tmp.path());

    records::CreateRecordWindow create(context);
    create.resize(760, 560);
    auto* form = create.form();
    const QList<std::pair<QString, QString>> typed{{"bianh", "0000000105"},
                                                   {"xingm", "陈静"},
                                                   {"xingb", "女"},
                                                   {"nianl", "38"},
                                                   {"shenfzh", "110108198604020065"},
                                                   {"minz", "汉族"},
                                                   {"zhiy", "医疗人员"},
                                                   {"hunyzk", "已婚"},
                                                   {"wenhcd", "本科"},
                                                   {"lianxfs", "13604040404"},
                                                   {"gongzdw", "海淀医院"},
                                                   {"tongxdz", "北京市海淀区中关村大街27号"},
                                                   {"youj", "chenjing@example.cn"}};
    for (const auto& [column, text] : typed) {
        if (auto* combo = form->comboBox(column))
            combo->setCurrentText(text);
        else
            form->lineEdit(column)->setText(text);
    }
    prompts.answerFile(picture);
    create.findChild<QPushButton*>("browsePicture")->click();
    save(&create, out, "records-create.png");

    QFile portraitFile(picture);
    portraitFile.open(QIODevice::ReadOnly);
    store::run(conn->db(),
               "update jkpg_jbxx set zhaop = '0000000102.png', zhaopsj = :bytes, zhaopgs = 'png' "
               "where bianh = '0000000102'",
               {{"bytes", portraitFile.readAll()}});
    records::ModifyRecordWindow modify(context);
    modify.resize(760, 590);
    modify.lookup("0000000102");
    save(&modify, out, "records-modify.png");

    records::DeleteRecordWindow remove(context);
    remove.resize(900, 360);
    remove.find();
    save(&remove, out, "records-delete.png");

    records::BrowseRecordWindow browse(context);
    browse.resize(1300, 360);
    browse.find();
    save(&browse, out, "records-browse.png");

    records::RenumberDialog renumber(*conn, prompts, {"0000000103", "李强", "男", 64});
    renumber.newNumberBox()->setText("0000000203");
    save(&renumber, out, "records-renumber.png");

    reportengine::Report report;
    QString error;
    if (!records::buildPersonList(
            report, context.reportsDirectory + "/jbxx.fr3",
            std::make_shared<records::PersonListSource>(conn->settings(), QString()), &error)) {
        qWarning("%s", qPrintable(error));
        return 1;
    }
    reportengine::exportPdf(report.built(), QDir(out).filePath("records-person-list.pdf"));
    reportengine::renderPage(report.built(), 0, 110)
        .save(QDir(out).filePath("records-person-list.png"));
    return 0;
}
