#include "domain/QuestionnaireForms.h"

#include <gtest/gtest.h>

using namespace hra;
using domain::ControlKind;

namespace {

// Every answer column of the five pages with its control and its stored texts
// in order ("|" between options), written out once more by hand: these texts
// are stored data that the evaluations compare literally.
const char* const kExpected[] = {
    "manxzqgy tick 慢性支气管炎",
    "naoxs tick 脑血栓",
    "qitxzb tick 其他心脏病",
    "feia tick 肺癌",
    "feiqz tick 肺气肿",
    "guanxb tick 冠心病",
    "yixtnb tick 1型糖尿病",
    "ruxzs tick 乳腺增生",
    "xiaoc tick 哮喘",
    "gaoxyxxzb tick 高血压性心脏病",
    "erxtnb tick 2型糖尿病",
    "qit tick 其他",
    "gaoxy tick 高血压",
    "feixb tick 肺心病",
    "ruxa tick 乳腺癌",
    "naocx tick 脑出血",
    "xiantxxzb tick 先天性心脏病",
    "qianlxa tick 前列腺癌",
    "qitnr text ",
    "pilcd options 无疲劳 |稍微疲劳|很疲劳|非常疲劳",
    "tizbh options 增加|基本不变|下降|不清楚",
    "shifjtz options 是|否",
    "shifcxy options 未测|测过",
    "shifcxz options 未测|测过",
    "shiftt options 是|否",
    "shifbzc options 是|否",
    "jiazs_gxy choice 袓父|祖母|父|母|兄|弟|姐|妹|姥爷|姥姥|其它",
    "jiazs_1tnb choice 袓父|祖母|父|母|兄|弟|姐|妹|姥爷|姥姥|其它",
    "jiazs_2tnb choice 袓父|祖母|父|母|兄|弟|姐|妹|姥爷|姥姥|其它",
    "jiazs_gxz choice 袓父|祖母|父|母|兄|弟|姐|妹|姥爷|姥姥|其它",
    "jiazs_gxb choice 袓父|祖母|父|母|兄|弟|姐|妹|姥爷|姥姥|其它",
    "jiazs_nzz choice 袓父|祖母|父|母|兄|弟|姐|妹|姥爷|姥姥|其它",
    "jiazs_ncx choice 袓父|祖母|父|母|兄|弟|姐|妹|姥爷|姥姥|其它",
    "jiazs_nxs choice 袓父|祖母|父|母|兄|弟|姐|妹|姥爷|姥姥|其它",
    "jiazs_fp choice 袓父|祖母|父|母|兄|弟|姐|妹|姥爷|姥姥|其它",
    "zufsbl options 主食为主|主副食各半|主食为辅|副食为主",
    "douzpsrl options 每天吃|经常吃|偶尔吃|不吃",
    "naizpsrl options 每天吃|经常吃|偶尔吃|不吃",
    "meitsc options <100克|100-200克|250-350克|≥400克",
    "meitsg options 不吃|≤100克|150-200克|≥250克",
    "meitjd options <1个|1个|2个|≥3个",
    "meitzyr options ≤50克|50-100克|200-350克|≥400克",
    "meityxb options <50克|50-100克|150-300克|>300克",
    "meitjye options 不吃|100-150克|200-500克|>500克",
    "meitgr options ≤50克|50-75克|>100克",
    "meitjl options 不吃|1-2次|>3次",
    "meitbj options 不喝|100克左右|100-250克|>250克",
    "meitgj options ≤100克|100-150克|200-300克|>300克",
    "meitzwy options ≤25克|25-50克|>50克",
    "meitsy options ≤5克|6-12克|>12克",
    "meitjcfp options 不吃早餐|偶尔吃早餐|3(早):4(中):3(晚)",
    "meizgzts number ",
    "zuozsj options 0小时|2-4小时|4-6小时|8小时",
    "chuxfs options 步行|骑自行车|乘车或驾车",
    "duanlfs options 散步,一般家务,乘车|太极拳,上楼梯|打网球,骑自行车|打篮球,快跑",
    "duanlcs options ≤2次|2-4次|5-7次|≥7次",
    "duanlsj options ≤5分钟|5-15分钟|15-30分钟|30-60分钟|≥60分钟",
    "beidxy options 经常|偶尔|很少|从无",
    "shifxy options 否|是|偶吸|已戒",
    "xiyzs options 1-5支|6-10支|11-20支|20支以上",
    "yanl options 1年内|1-5年|6-10年|11年以上",
    "shifyj options 是|否|很少|已戒",
    "yinjzl_bj tick 白酒",
    "yinjzl_pj tick 啤酒",
    "yinjzl_gj tick 果酒",
    "yinjzl_qt tick 其他",
    "meirjl number ",
    "shifjlcp options 大部分时间|比较多时间|小部分时间|没有此感觉",
    "shifcs options 大部分时间|比较多时间|小部分时间|没有此感觉",
    "shifzz options 是|否",
    "shuimzk options 很差|差|一般|良好",
    "shuimsj options ＜6小时|6-8小时|9-10小时|＞10小时",
    "shifay options 经常|偶尔|很少|无",
    "sheng number ",
    "tiz number ",
    "tizzs number ",
    "yaow number ",
    "tunw number ",
    "shousy number ",
    "shuzy number ",
    "jiangyy choice 是|否",
    "zuoxsfd choice 是|否",
    "zongdgc number ",
    "ganysz number ",
    "gaomdzdb number ",
    "dimdzdb number ",
    "kongfxt number ",
    "canhexsxt number ",
    "tanghxhdb number ",
    "xuens text ",
    "zhifg_bc options 无|轻度|中度|重度",
};

QString kindName(ControlKind k)
{
    switch (k) {
    case ControlKind::Text:
        return QStringLiteral("text");
    case ControlKind::Number:
        return QStringLiteral("number");
    case ControlKind::Choice:
        return QStringLiteral("choice");
    case ControlKind::Options:
        return QStringLiteral("options");
    case ControlKind::Tick:
        break;
    }
    return QStringLiteral("tick");
}

} // namespace

TEST(QuestionnaireForms, DeclareEveryAnswerWithItsExactTexts)
{
    QStringList declared;
    int optionGroups = 0;
    for (const domain::QuestionnairePage& page : domain::questionnairePages())
        for (const domain::FieldDeclaration* f : page.form.fields()) {
            const QString texts =
                f->kind == ControlKind::Tick ? f->caption : f->options.join(QLatin1Char('|'));
            declared << f->column + u' ' + kindName(f->kind) + u' ' + texts;
            optionGroups += f->kind == ControlKind::Options;
        }
    QStringList expected;
    for (const char* line : kExpected)
        expected << QString::fromUtf8(line);
    EXPECT_EQ(declared, expected);
    EXPECT_EQ(optionGroups, 40);

    // The characters that look alike are the ones stored.
    const domain::FormDeclaration& status =
        domain::questionnairePage(domain::AssessmentTable::CurrentStatus).form;
    EXPECT_EQ(status.field(u"jiazs_gxy")->options.first().front().unicode(), 0x8893);
    EXPECT_EQ(status.field(u"pilcd")->options.first(), QStringLiteral("无疲劳") + u' ');
    const domain::FormDeclaration& diet =
        domain::questionnairePage(domain::AssessmentTable::Diet).form;
    EXPECT_EQ(diet.field(u"meitsc")->options.last().front().unicode(), 0x2265);
    EXPECT_EQ(diet.field(u"meitsc")->options.first().front().unicode(), u'<');
    const domain::FormDeclaration& life =
        domain::questionnairePage(domain::AssessmentTable::Lifestyle).form;
    EXPECT_EQ(life.field(u"shuimsj")->options.first().front().unicode(), 0xFF1C);

    // The nine required values, in the order the save checks them.
    QStringList required;
    for (const domain::FieldDeclaration* f :
         domain::questionnairePage(domain::AssessmentTable::Examination).form.fields())
        if (f->isRequired())
            required << f->column + u':' + f->requiredMessage;
    EXPECT_EQ(
        required,
        (QStringList{
            "sheng:身高为必填项,带*号的为必填项!", "tiz:体重为必填项,带*号的为必填项!",
            "yaow:腰围为必填项,带*号的为必填项!", "shousy:收缩压为必填项,带*号的为必填项!",
            "shuzy:舒张压为必填项,带*号的为必填项!", "zongdgc:总胆固醇为必填项,带*号的为必填项!",
            "ganysz:甘油三酯为必填项,带*号的为必填项!", "kongfxt:空腹血糖为必填项,带*号的为必填项!",
            "canhexsxt:糖耐量为必填项,带*号的为必填项!"}));
}
