#include "domain/QuestionnaireForms.h"

namespace hra::domain {
namespace {

FieldDeclaration tick(const char* column, const QString& caption)
{
    FieldDeclaration f;
    f.column = QString::fromLatin1(column);
    f.caption = caption;
    f.kind = ControlKind::Tick;
    return f;
}

FieldDeclaration options(const char* column, const QString& question, const QStringList& texts,
                         int columns = 0)
{
    FieldDeclaration f;
    f.column = QString::fromLatin1(column);
    f.caption = question;
    f.kind = ControlKind::Options;
    f.options = texts;
    f.optionColumns = columns;
    return f;
}

FieldDeclaration choice(const char* column, const QString& caption, const QStringList& texts)
{
    FieldDeclaration f;
    f.column = QString::fromLatin1(column);
    f.caption = caption;
    f.kind = ControlKind::Choice;
    f.options = texts;
    return f;
}

FieldDeclaration text(const char* column, const QString& caption)
{
    FieldDeclaration f;
    f.column = QString::fromLatin1(column);
    f.caption = caption;
    return f;
}

FieldDeclaration number(const char* column, const QString& caption)
{
    FieldDeclaration f = text(column, caption);
    f.kind = ControlKind::Number;
    return f;
}

// A required examination value: its message names it.
FieldDeclaration required(FieldDeclaration f, const QString& name)
{
    f.requiredMessage = name + QStringLiteral("为必填项,带*号的为必填项!");
    return f;
}

// The values a number field takes: plausible for a person, with the digits
// after the point that are measured (decimals 0: whole numbers).
FieldDeclaration within(FieldDeclaration f, double minimum, double maximum, int decimals)
{
    f.range = NumberRange{minimum, maximum, decimals == 0, decimals};
    return f;
}

FieldDeclaration withUnit(FieldDeclaration f, const QString& unit)
{
    f.unit = unit;
    return f;
}

FieldDeclaration withReference(FieldDeclaration f, const char* label, const QString& shown)
{
    f.reference = {QString::fromLatin1(label), shown};
    return f;
}

SectionDeclaration section(const char* name, const QString& caption, int columns,
                           std::vector<FieldDeclaration> fields)
{
    return {QString::fromLatin1(name), caption, columns, std::move(fields)};
}

FormDeclaration form(AssessmentTable table, std::vector<SectionDeclaration> sections)
{
    FormDeclaration f;
    f.table = tableName(table);
    f.sections = std::move(sections);
    // Without a caption the message box would be titled by the program's name.
    f.requiredCaption = QStringLiteral("出错提示");
    return f;
}

const QStringList& yesNo()
{
    static const QStringList t{QStringLiteral("是"), QStringLiteral("否")};
    return t;
}

FormDeclaration currentStatus()
{
    // 袓 (U+8893) in the first relative is stored as it stands.
    const QStringList relatives{
        QStringLiteral("袓父"), QStringLiteral("祖母"), QStringLiteral("父"),  QStringLiteral("母"),
        QStringLiteral("兄"),   QStringLiteral("弟"),   QStringLiteral("姐"),  QStringLiteral("妹"),
        QStringLiteral("姥爷"), QStringLiteral("姥姥"), QStringLiteral("其它")};
    const QStringList measured{QStringLiteral("未测"), QStringLiteral("测过")};
    FieldDeclaration otherName = text("qitnr", QString());
    otherName.besideTick = QStringLiteral("qit");
    return form(
        AssessmentTable::CurrentStatus,
        {section(
             "diseases", QStringLiteral("1.您目前患有以下哪种疾病"), 6,
             {tick("manxzqgy", QStringLiteral("慢性支气管炎")),
              tick("naoxs", QStringLiteral("脑血栓")), tick("qitxzb", QStringLiteral("其他心脏病")),
              tick("feia", QStringLiteral("肺癌")), tick("feiqz", QStringLiteral("肺气肿")),
              tick("guanxb", QStringLiteral("冠心病")), tick("yixtnb", QStringLiteral("1型糖尿病")),
              tick("ruxzs", QStringLiteral("乳腺增生")), tick("xiaoc", QStringLiteral("哮喘")),
              tick("gaoxyxxzb", QStringLiteral("高血压性心脏病")),
              tick("erxtnb", QStringLiteral("2型糖尿病")), tick("qit", QStringLiteral("其他")),
              tick("gaoxy", QStringLiteral("高血压")), tick("feixb", QStringLiteral("肺心病")),
              tick("ruxa", QStringLiteral("乳腺癌")), tick("naocx", QStringLiteral("脑出血")),
              tick("xiantxxzb", QStringLiteral("先天性心脏病")),
              tick("qianlxa", QStringLiteral("前列腺癌")), otherName}),
         section(
             "health", QStringLiteral("2.您目前的健康情况"), 2,
             {// The first fatigue option ends with a blank, stored with it.
              options("pilcd", QStringLiteral("1.您过去一段时间感到疲劳的程度是："),
                      {QStringLiteral("无疲劳 "), QStringLiteral("稍微疲劳"),
                       QStringLiteral("很疲劳"), QStringLiteral("非常疲劳")}),
              options("tizbh", QStringLiteral("2.同一年前相比，您的体重是："),
                      {QStringLiteral("增加"), QStringLiteral("基本不变"), QStringLiteral("下降"),
                       QStringLiteral("不清楚")}),
              options("shifjtz", QStringLiteral("3.在近一年内，您曾试图减过体重吗？"), yesNo()),
              options("shifcxy", QStringLiteral("4.您近半年内测过血压吗？"), measured),
              options("shifcxz", QStringLiteral("5.您近半年内测过血脂吗？"), measured),
              options("shiftt", QStringLiteral("6.是否经常有颈部、腰部、骨关节疼痛："), yesNo()),
              options("shifbzc", QStringLiteral("7.是否有慢性腹泻、便秘、大便不正常："), yesNo())}),
         section("family", QStringLiteral("3.家族史"), 3,
                 {choice("jiazs_gxy", QStringLiteral("高血压"), relatives),
                  choice("jiazs_1tnb", QStringLiteral("1型糖尿病"), relatives),
                  choice("jiazs_2tnb", QStringLiteral("2型糖尿病"), relatives),
                  choice("jiazs_gxz", QStringLiteral("高血脂"), relatives),
                  choice("jiazs_gxb", QStringLiteral("冠心病"), relatives),
                  choice("jiazs_nzz", QStringLiteral("脑卒中"), relatives),
                  choice("jiazs_ncx", QStringLiteral("脑出血"), relatives),
                  choice("jiazs_nxs", QStringLiteral("脑血栓"), relatives),
                  choice("jiazs_fp", QStringLiteral("肥胖"), relatives)})});
}

FormDeclaration diet()
{
    // "<", ">" and "-" are ASCII here, "≥" and "≤" single signs; the ranges
    // are not contiguous and are stored as written.
    const QStringList eats{QStringLiteral("每天吃"), QStringLiteral("经常吃"),
                           QStringLiteral("偶尔吃"), QStringLiteral("不吃")};
    return form(
        AssessmentTable::Diet,
        {section(
            "diet", QStringLiteral("膳食结构"), 2,
            {options("zufsbl", QStringLiteral("1.每日主副食比例："),
                     {QStringLiteral("主食为主"), QStringLiteral("主副食各半"),
                      QStringLiteral("主食为辅"), QStringLiteral("副食为主")}),
             options("douzpsrl", QStringLiteral("2.豆腐和豆制品摄入量："), eats),
             options("naizpsrl", QStringLiteral("3.奶和奶制品摄入量："), eats),
             options("meitsc", QStringLiteral("4.平均每天吃蔬菜："),
                     {QStringLiteral("<100克"), QStringLiteral("100-200克"),
                      QStringLiteral("250-350克"), QStringLiteral("≥400克")}),
             options("meitsg", QStringLiteral("5.平均每天吃水果："),
                     {QStringLiteral("不吃"), QStringLiteral("≤100克"), QStringLiteral("150-200克"),
                      QStringLiteral("≥250克")}),
             options("meitjd", QStringLiteral("6.平均每天吃鸡蛋："),
                     {QStringLiteral("<1个"), QStringLiteral("1个"), QStringLiteral("2个"),
                      QStringLiteral("≥3个")}),
             options("meitzyr", QStringLiteral("7.平均每天吃猪羊肉："),
                     {QStringLiteral("≤50克"), QStringLiteral("50-100克"),
                      QStringLiteral("200-350克"), QStringLiteral("≥400克")}),
             options("meityxb", QStringLiteral("8.平均每天吃鱼虾贝："),
                     {QStringLiteral("<50克"), QStringLiteral("50-100克"),
                      QStringLiteral("150-300克"), QStringLiteral(">300克")}),
             options("meitjye", QStringLiteral("9.平均每周吃鸡鸭鹅："),
                     {QStringLiteral("不吃"), QStringLiteral("100-150克"),
                      QStringLiteral("200-500克"), QStringLiteral(">500克")}),
             options(
                 "meitgr", QStringLiteral("10.平均每周吃果仁："),
                 {QStringLiteral("≤50克"), QStringLiteral("50-75克"), QStringLiteral(">100克")}),
             options("meitjl", QStringLiteral("11.平均每周吃菌类："),
                     {QStringLiteral("不吃"), QStringLiteral("1-2次"), QStringLiteral(">3次")}),
             options("meitbj", QStringLiteral("12.平均每天饮白酒："),
                     {QStringLiteral("不喝"), QStringLiteral("100克左右"),
                      QStringLiteral("100-250克"), QStringLiteral(">250克")}),
             options("meitgj", QStringLiteral("13.平均每天饮果酒："),
                     {QStringLiteral("≤100克"), QStringLiteral("100-150克"),
                      QStringLiteral("200-300克"), QStringLiteral(">300克")}),
             options("meitzwy", QStringLiteral("14.平均每天植物油消费量："),
                     {QStringLiteral("≤25克"), QStringLiteral("25-50克"), QStringLiteral(">50克")}),
             options("meitsy", QStringLiteral("15.平均每天食盐消费量："),
                     {QStringLiteral("≤5克"), QStringLiteral("6-12克"), QStringLiteral(">12克")}),
             options("meitjcfp", QStringLiteral("16.您的进餐量分配："),
                     {QStringLiteral("不吃早餐"), QStringLiteral("偶尔吃早餐"),
                      QStringLiteral("3(早):4(中):3(晚)")})})});
}

FormDeclaration exercise()
{
    // Kept as text in its column, but a count of days all the same.
    FieldDeclaration days =
        within(number("meizgzts", QStringLiteral("1.您平均每周工作多少天？")), 0, 7, 0);
    days.wide = true;
    return form(
        AssessmentTable::Exercise,
        {section("exercise", QStringLiteral("运动方式"), 1,
                 {days,
                  options("zuozsj", QStringLiteral("2.日常工作及生活(8小时)，坐着时间是："),
                          {QStringLiteral("0小时"), QStringLiteral("2-4小时"),
                           QStringLiteral("4-6小时"), QStringLiteral("8小时")}),
                  options("chuxfs", QStringLiteral("3.您在外出办事情出行方式："),
                          {QStringLiteral("步行"), QStringLiteral("骑自行车"),
                           QStringLiteral("乘车或驾车")}),
                  options("duanlfs",
                          QStringLiteral("4.您经常参加锻炼吗，若有，锻炼的方式为（若方式不同，"
                                         "则选同等强度的运动方式）:"),
                          {QStringLiteral("散步,一般家务,乘车"), QStringLiteral("太极拳,上楼梯"),
                           QStringLiteral("打网球,骑自行车"), QStringLiteral("打篮球,快跑")}),
                  options("duanlcs", QStringLiteral("5.您平均每周锻炼的次数："),
                          {QStringLiteral("≤2次"), QStringLiteral("2-4次"), QStringLiteral("5-7次"),
                           QStringLiteral("≥7次")}),
                  options("duanlsj", QStringLiteral("6.您平均每次锻炼的时间："),
                          {QStringLiteral("≤5分钟"), QStringLiteral("5-15分钟"),
                           QStringLiteral("15-30分钟"), QStringLiteral("30-60分钟"),
                           QStringLiteral("≥60分钟")})})});
}

FormDeclaration lifestyle()
{
    const QStringList howOften{QStringLiteral("大部分时间"), QStringLiteral("比较多时间"),
                               QStringLiteral("小部分时间"), QStringLiteral("没有此感觉")};
    std::vector<FieldDeclaration> kinds{
        tick("yinjzl_bj", QStringLiteral("白酒")), tick("yinjzl_pj", QStringLiteral("啤酒")),
        tick("yinjzl_gj", QStringLiteral("果酒")), tick("yinjzl_qt", QStringLiteral("其他"))};
    for (FieldDeclaration& k : kinds)
        k.group = QStringLiteral("2.主要饮酒种类");
    std::vector<FieldDeclaration> drinking{
        options("shifyj", QStringLiteral("1.是否经常饮酒？"),
                {QStringLiteral("是"), QStringLiteral("否"), QStringLiteral("很少"),
                 QStringLiteral("已戒")})};
    drinking.insert(drinking.end(), kinds.begin(), kinds.end());
    drinking.push_back(
        withUnit(within(number("meirjl", QStringLiteral("3.每日平均饮酒：")), 0, 5000, 0),
                 QStringLiteral("ml/日")));
    return form(
        AssessmentTable::Lifestyle,
        {section("smoking", QStringLiteral("吸烟情况"), 2,
                 {options("beidxy", QStringLiteral("1.有无被动吸烟？"),
                          {QStringLiteral("经常"), QStringLiteral("偶尔"), QStringLiteral("很少"),
                           QStringLiteral("从无")}),
                  options("shifxy", QStringLiteral("2.是否吸烟？"),
                          {QStringLiteral("否"), QStringLiteral("是"), QStringLiteral("偶吸"),
                           QStringLiteral("已戒")}),
                  options("xiyzs", QStringLiteral("3.每日吸烟支数："),
                          {QStringLiteral("1-5支"), QStringLiteral("6-10支"),
                           QStringLiteral("11-20支"), QStringLiteral("20支以上")}),
                  options("yanl", QStringLiteral("4.吸烟年数（烟龄）："),
                          {QStringLiteral("1年内"), QStringLiteral("1-5年"),
                           QStringLiteral("6-10年"), QStringLiteral("11年以上")})}),
         section("drinking", QStringLiteral("饮酒情况"), 4, drinking),
         section(
             "mental", QStringLiteral("精神心理情况"), 2,
             {options("shifjlcp", QStringLiteral("1.在过去一个月时间里，您精力充沛吗？"), howOften),
              options("shifcs", QStringLiteral("2.在过去一个月时间里，您生活得充实吗？"), howOften),
              options("shifzz",
                      QStringLiteral(
                          "3.在过去一个月时间里，您感到垂头丧气，什么事都不能使您振作起来吗？"),
                      yesNo()),
              options("shuimzk", QStringLiteral("4.您目前的睡眠状况："),
                      {QStringLiteral("很差"), QStringLiteral("差"), QStringLiteral("一般"),
                       QStringLiteral("良好")}),
              // Full-width "＜" and "＞" here.
              options("shuimsj", QStringLiteral("5.睡眠时间："),
                      {QStringLiteral("＜6小时"), QStringLiteral("6-8小时"),
                       QStringLiteral("9-10小时"), QStringLiteral("＞10小时")}),
              options("shifay", QStringLiteral("6.您经常熬夜吗？"),
                      {QStringLiteral("经常"), QStringLiteral("偶尔"), QStringLiteral("很少"),
                       QStringLiteral("无")})})});
}

FormDeclaration examination()
{
    FieldDeclaration height =
        withUnit(within(required(number("sheng", QStringLiteral("身高")), QStringLiteral("身高")),
                        0.5, 2.5, 2),
                 QStringLiteral("m"));
    FieldDeclaration weight = withUnit(
        within(required(number("tiz", QStringLiteral("体重")), QStringLiteral("体重")), 2, 300, 1),
        QStringLiteral("kg"));
    FieldDeclaration index = withReference(number("tizzs", QStringLiteral("体重指数")), "Lab_tzzs",
                                           QStringLiteral("18.5-24"));
    index.readOnly = true;
    auto lab = [](const char* column, const QString& caption, bool isRequired, const char* label,
                  const QString& range, double minimum, double maximum, int decimals) {
        FieldDeclaration f = within(withReference(number(column, caption), label, range), minimum,
                                    maximum, decimals);
        return isRequired ? required(f, caption) : f;
    };
    FieldDeclaration uricAcid = withReference(text("xuens", QStringLiteral("血尿酸")), "Lab_xns",
                                              QStringLiteral("(150-420)umol/L"));
    FormDeclaration f =
        form(AssessmentTable::Examination,
             {section("examination", QStringLiteral("检查情况"), 2,
                      {height, weight, index,
                       withUnit(within(required(number("yaow", QStringLiteral("腰围")),
                                                QStringLiteral("腰围")),
                                       30, 250, 1),
                                QStringLiteral("(0-85)cm")),
                       withUnit(within(number("tunw", QStringLiteral("臀围")), 30, 250, 1),
                                QStringLiteral("cm")),
                       lab("shousy", QStringLiteral("收缩压"), true, "Lab_ssy",
                           QStringLiteral("(90-140)mmHg"), 50, 300, 0),
                       lab("shuzy", QStringLiteral("舒张压"), true, "Lab_szy",
                           QStringLiteral("(60-90)mmHg"), 20, 200, 0),
                       choice("jiangyy", QStringLiteral("服降压药"), yesNo()),
                       choice("zuoxsfd", QStringLiteral("左心室肥大"), yesNo()),
                       // Physiological limits, far wider than the reference ranges.
                       lab("zongdgc", QStringLiteral("总胆固醇"), true, "Lab_zdgc",
                           QStringLiteral("(2.84-5.68)mmol/L"), 0.5, 30, 2),
                       lab("ganysz", QStringLiteral("甘油三酯"), true, "Lab_gysz",
                           QStringLiteral("(0.56-1.7)mmol/L"), 0.1, 50, 2),
                       lab("gaomdzdb", QStringLiteral("高密度脂蛋白"), false, "Lab_gmdzdb",
                           QStringLiteral("(≥1.14)mmol/L"), 0.1, 10, 2),
                       lab("dimdzdb", QStringLiteral("低密度脂蛋白"), false, "Lab_dmdzdb",
                           QStringLiteral("(0-3.1)mmol/L"), 0.1, 20, 2),
                       lab("kongfxt", QStringLiteral("空腹血糖"), true, "Lab_kfxt",
                           QStringLiteral("(3.9-6.1)mmol/L"), 1, 40, 2),
                       lab("canhexsxt", QStringLiteral("糖耐量"), true, "Lab_tnl",
                           QStringLiteral("(4.4-7.8)mmol/L"), 1, 50, 2),
                       lab("tanghxhdb", QStringLiteral("糖化血红蛋白"), false, "Lab_thxhdb",
                           QStringLiteral("(3.8-6)mmol/L"), 2, 25, 2),
                       uricAcid}),
              section("fattyLiver", QStringLiteral("脂肪肝B超"), 1,
                      {options("zhifg_bc", QString(),
                               {QStringLiteral("无"), QStringLiteral("轻度"),
                                QStringLiteral("中度"), QStringLiteral("重度")})})});
    f.requiredMark = QStringLiteral("*");
    f.orders.push_back({QStringLiteral("shousy"), QStringLiteral("shuzy"),
                        QStringLiteral("收缩压必须高于舒张压!")});
    return f;
}

} // namespace

const std::array<QuestionnairePage, 5>& questionnairePages()
{
    static const std::array<QuestionnairePage, 5> pages = {
        QuestionnairePage{AssessmentTable::CurrentStatus, QStringLiteral("目前健康状况及家族史"),
                          currentStatus()},
        QuestionnairePage{AssessmentTable::Diet, QStringLiteral("膳 食 营 养"), diet()},
        QuestionnairePage{AssessmentTable::Exercise, QStringLiteral("运 动 方 式"), exercise()},
        QuestionnairePage{AssessmentTable::Lifestyle, QStringLiteral("生活方式及习惯"),
                          lifestyle()},
        QuestionnairePage{AssessmentTable::Examination, QStringLiteral("体格检查及实验室检查"),
                          examination()},
    };
    return pages;
}

const QuestionnairePage& questionnairePage(AssessmentTable table)
{
    for (const QuestionnairePage& p : questionnairePages())
        if (p.table == table)
            return p;
    throw std::logic_error("no questionnaire page for this table");
}

} // namespace hra::domain
