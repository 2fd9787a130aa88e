#include "windows/shell/ReferencesDialog.h"

#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTextEdit>
#include <QVBoxLayout>

namespace hra::app {

const QStringList& referenceList()
{
    static const QStringList list = {
        // Books, guidelines and journal articles.
        QStringLiteral(
            "Joint Committee for Guideline Revision. 2018 Chinese Guidelines for Prevention and "
            "Treatment of Hypertension—A report of the Revision Committee of Chinese Guidelines "
            "for Prevention and Treatment of Hypertension[J]. Journal of Geriatric Cardiology, "
            "2019, 16(3): 182-241."),
        QStringLiteral(
            "中华医学会糖尿病学分会. 中国2型糖尿病防治指南（2020年版）[J]. 中华糖尿病杂志, 2021, "
            "13(4): 315-409."),
        QStringLiteral(
            "中国成人血脂异常防治指南修订联合委员会. 中国成人血脂异常防治指南（2016年修订版）[J]. "
            "中国循环杂志, 2016, 31(10): 937-953."),
        QStringLiteral("中国营养学会. 中国居民膳食指南（2016）[M]. 北京: 人民卫生出版社, 2016."),
        QStringLiteral(
            "中国营养学会. 中国居民膳食营养素参考摄入量（2013版）[M]. 北京: 科学出版社, 2014."),
        QStringLiteral("中华人民共和国卫生部疾病控制司. 中国成人超重和肥胖症预防控制指南[M]. 北京: "
                       "人民卫生出版社, 2006."),
        QStringLiteral("陈灏珠, 林果为, 王吉耀. 实用内科学[M]. 14版. 北京: 人民卫生出版社, 2013."),
        QStringLiteral("葛均波, 徐永健. 内科学[M]. 8版. 北京: 人民卫生出版社, 2013."),
        QStringLiteral("孙长颢. 营养与食品卫生学[M]. 7版. 北京: 人民卫生出版社, 2012."),
        QStringLiteral(
            "American College of Sports Medicine. ACSM's Guidelines for Exercise Testing and "
            "Prescription[M]. 9th ed. Philadelphia: Lippincott Williams & Wilkins, 2014."),
        QStringLiteral(
            "Dawber T R, Meadors G F, Moore F E Jr. Epidemiological approaches to heart disease: "
            "the Framingham Study[J]. American Journal of Public Health and the Nation's Health, "
            "1951, 41(3): 279-286."),
        QStringLiteral(
            "Wilson P W F, D'Agostino R B, Levy D, et al. Prediction of coronary heart disease "
            "using risk factor categories[J]. Circulation, 1998, 97(18): 1837-1847."),
        QStringLiteral(
            "D'Agostino R B Sr, Vasan R S, Pencina M J, et al. General cardiovascular risk "
            "profile for use in primary care: the Framingham Heart Study[J]. Circulation, 2008, "
            "117(6): 743-753."),
        QStringLiteral(
            "Wolf P A, D'Agostino R B, Belanger A J, et al. Probability of stroke: a risk profile "
            "from the Framingham Study[J]. Stroke, 1991, 22(3): 312-318."),
        QStringLiteral(
            "Expert Panel on Detection, Evaluation, and Treatment of High Blood Cholesterol in "
            "Adults. Executive summary of the Third Report of the National Cholesterol Education "
            "Program (NCEP) Expert Panel on Detection, Evaluation, and Treatment of High Blood "
            "Cholesterol in Adults (Adult Treatment Panel III)[J]. JAMA, 2001, 285(19): "
            "2486-2497."),
        QStringLiteral(
            "Chobanian A V, Bakris G L, Black H R, et al. The Seventh Report of the Joint "
            "National Committee on Prevention, Detection, Evaluation, and Treatment of High Blood "
            "Pressure: the JNC 7 report[J]. JAMA, 2003, 289(19): 2560-2572."),
        QStringLiteral(
            "Alberti K G M M, Eckel R H, Grundy S M, et al. Harmonizing the metabolic syndrome: "
            "a joint interim statement of the International Diabetes Federation Task Force on "
            "Epidemiology and Prevention; National Heart, Lung, and Blood Institute; American "
            "Heart "
            "Association; World Heart Federation; International Atherosclerosis Society; and "
            "International Association for the Study of Obesity[J]. Circulation, 2009, 120(16): "
            "1640-1645."),
        QStringLiteral(
            "Zhou B F. Predictive values of body mass index and waist circumference for risk "
            "factors of certain related diseases in Chinese adults: study on optimal cut-off "
            "points "
            "of body mass index and waist circumference in Chinese adults[J]. Biomedical and "
            "Environmental Sciences, 2002, 15(1): 83-96."),
        QStringLiteral(
            "Yusuf S, Hawken S, Ôunpuu S, et al. Effect of potentially modifiable risk factors "
            "associated with myocardial infarction in 52 countries (the INTERHEART study): "
            "case-control study[J]. The Lancet, 2004, 364(9438): 937-952."),
        QStringLiteral(
            "Pan X R, Li G W, Hu Y H, et al. Effects of diet and exercise in preventing NIDDM in "
            "people with impaired glucose tolerance: the Da Qing IGT and Diabetes Study[J]. "
            "Diabetes Care, 1997, 20(4): 537-544."),
        QStringLiteral(
            "World Health Organization. Obesity: preventing and managing the global epidemic. "
            "Report of a WHO consultation[R]. WHO Technical Report Series 894. Geneva: WHO, 2000."),
        QStringLiteral(
            "World Health Organization. Definition, diagnosis and classification of diabetes "
            "mellitus and its complications. Part 1: diagnosis and classification of diabetes "
            "mellitus[R]. Geneva: WHO, 1999."),
        QStringLiteral(
            "World Health Organization. Diet, nutrition and the prevention of chronic diseases. "
            "Report of a joint WHO/FAO expert consultation[R]. WHO Technical Report Series 916. "
            "Geneva: WHO, 2003."),
        QStringLiteral("World Health Organization. Global recommendations on physical activity for "
                       "health[R]. Geneva: WHO, 2010."),
        // Web sites of medical associations, with their subjects.
        QStringLiteral(
            "中华医学会（Chinese Medical Association）: 医学学术交流、继续医学教育与临床诊疗指南"
            "[EB/OL]. https://www.cma.org.cn"),
        QStringLiteral(
            "中国营养学会（Chinese Nutrition Society）: 中国居民膳食指南与膳食营养素参考摄入量"
            "[EB/OL]. https://www.cnsoc.org"),
        QStringLiteral(
            "中国医师协会（Chinese Medical Doctor Association）: 医师执业规范与专科医师培训"
            "[EB/OL]. https://www.cmda.net"),
        QStringLiteral(
            "世界卫生组织（World Health Organization）: 慢性非传染性疾病的预防控制与全球卫生统计"
            "[EB/OL]. https://www.who.int"),
        QStringLiteral(
            "美国心脏协会（American Heart Association）: 心血管疾病与脑卒中的危险因素、预防和"
            "健康生活方式[EB/OL]. https://www.heart.org"),
        QStringLiteral(
            "美国糖尿病协会（American Diabetes Association）: 糖尿病诊疗标准与患者教育[EB/OL]. "
            "https://diabetes.org"),
        QStringLiteral(
            "国际糖尿病联盟（International Diabetes Federation）: 全球糖尿病流行状况（糖尿病地图）"
            "与防治[EB/OL]. https://idf.org"),
        QStringLiteral(
            "国际高血压学会（International Society of Hypertension）: 高血压诊疗实践指南与研究"
            "[EB/OL]. https://ish-world.com"),
        QStringLiteral(
            "世界高血压联盟（World Hypertension League）: 高血压的预防、检出与控制及世界高血压日"
            "[EB/OL]. https://www.whleague.org"),
        QStringLiteral(
            "欧洲心脏病学会（European Society of Cardiology）: 心血管疾病临床实践指南与心血管"
            "风险评估[EB/OL]. https://www.escardio.org"),
        QStringLiteral(
            "美国运动医学会（American College of Sports Medicine）: 运动处方与身体活动指南"
            "[EB/OL]. https://www.acsm.org"),
        QStringLiteral(
            "世界卒中组织（World Stroke Organization）: 脑卒中的预防、治疗与康复[EB/OL]. "
            "https://www.world-stroke.org"),
    };
    return list;
}

ReferencesDialog::ReferencesDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TFrm_ckwx"));
    setWindowTitle(QStringLiteral("参考文献"));
    setFixedSize(692, 451);

    auto* heading = new QLabel(QStringLiteral("系统参考文献如下："), this);
    heading->setObjectName(QStringLiteral("Lab_heading"));
    QFont hf = heading->font();
    hf.setPointSize(12);
    hf.setBold(true);
    hf.setItalic(true);
    heading->setFont(hf);
    heading->setStyleSheet(QStringLiteral("color: blue;"));

    auto* text = new QTextEdit(this);
    text->setObjectName(QStringLiteral("Memo_ckwx"));
    text->setReadOnly(true);
    text->setLineWrapMode(QTextEdit::WidgetWidth);
    QStringList lines;
    const QStringList& refs = referenceList();
    for (qsizetype i = 0; i < refs.size(); ++i)
        lines << QStringLiteral("%1. %2").arg(i + 1).arg(refs.at(i));
    text->setPlainText(lines.join(u'\n'));

    auto* close = new ui::FlatButton(QStringLiteral("&C 关闭"), this);
    close->setObjectName(QStringLiteral("Btn_close"));
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(text, 1);
    layout->addLayout(buttons);

    ui::KeyNavigation::install(this);
}

} // namespace hra::app
