#include "analysis/InputViews.h"

#include "analysis/DietEvaluation.h"

namespace hra::analysis {

InputViews readInputViews(store::Sql& statements, const QString& recordNo, qint32 assessmentId)
{
    const Bindings record{{QStringLiteral("bh"), recordNo}};
    const Bindings assessment{{QStringLiteral("jkpgid"), assessmentId}};
    const Bindings both{{QStringLiteral("bh"), recordNo}, {QStringLiteral("jkpgid"), assessmentId}};
    InputViews v;
    v.person =
        statements.select(QStringLiteral("select bianh,xingm,xingb,zunc,nianl,%1 as lrrq,gongzdw "
                                         "from jkpg_jbxx where bianh=:bh")
                              .arg(statements.dialect().dateToText(QStringLiteral("lurrq"))),
                          record);
    v.centre = statements.select(QStringLiteral("select * from jkpg_pgzx"));
    v.status = statements.select(
        QStringLiteral("select * from jkpg_mqzk where bianh=:bh and jkpg_id=:jkpgid"), both);
    // The section rows are joined to their person by record number and chosen
    // by the assessment number, which is unique over the database.
    v.exam = statements.select(
        QStringLiteral("select jb.bianh bianh,jb.xingm xingm,jb.xingb xingb,jb.nianl nianl,"
                       "jb.zhiy zhiy,tg.* from jkpg_jbxx jb,jkpg_tgjc tg "
                       "where jb.bianh=tg.bianh and tg.jkpg_id=:jkpgid"),
        assessment);
    v.lifestyle =
        statements.select(QStringLiteral("select jb.bianh bianh,jb.xingm xingm,jb.xingb xingb,"
                                         "jb.nianl nianl,sh.* from jkpg_jbxx jb,jkpg_shfs sh "
                                         "where jb.bianh=sh.bianh and sh.jkpg_id=:jkpgid"),
                          assessment);
    v.exercise =
        statements.select(QStringLiteral("select jb.bianh bianh,jb.xingm xingm,jb.xingb xingb,"
                                         "jb.nianl nianl,yd.* from jkpg_jbxx jb,jkpg_ydfs yd "
                                         "where jb.bianh=yd.bianh and yd.jkpg_id=:jkpgid"),
                          assessment);
    v.diet = statements.select(
        QStringLiteral("select * from jkpg_ssyy where bianh=:bh and jkpg_id=:jkpgid"), both);
    return v;
}

std::optional<QString> textField(const Rows& d, const QString& field)
{
    const QVariant v = d.value(0, field);
    if (isNull(v))
        return std::nullopt;
    return v.toString();
}

std::optional<double> numberField(const Rows& d, const QString& field)
{
    const QVariant v = d.value(0, field);
    if (isNull(v))
        return std::nullopt;
    bool ok = false;
    const double value = v.toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

ExamInput examInput(const InputViews& views)
{
    const Rows& d = views.exam;
    auto n = [&d](const char* f) { return numberField(d, QLatin1String(f)); };
    auto t = [&d](const char* f) { return textField(d, QLatin1String(f)); };
    ExamInput e;
    e.sex = t("xingb");
    e.age = n("nianl");
    e.occupation = t("zhiy");
    e.height = n("sheng");
    e.weight = n("tiz");
    e.bmi = n("tizzs");
    e.waist = n("yaow");
    e.systolic = n("shousy");
    e.diastolic = n("shuzy");
    e.totalCholesterol = n("zongdgc");
    e.triglycerides = n("ganysz");
    e.hdl = n("gaomdzdb");
    e.ldl = n("dimdzdb");
    e.fastingGlucose = n("kongfxt");
    e.glucoseTolerance = n("canhexsxt");
    e.glycatedHaemoglobin = n("tanghxhdb");
    e.uricAcid = t("xuens");
    e.fattyLiver = t("zhifg_bc");
    return e;
}

StatusInput statusInput(const InputViews& views)
{
    const Rows& d = views.status;
    auto t = [&d](const char* f) { return textField(d, QLatin1String(f)); };
    return {t("erxtnb"), t("guanxb"), t("naocx"),     t("jiazs_nzz"), t("jiazs_2tnb"),
            t("naoxs"),  t("qitxzb"), t("gaoxyxxzb"), t("xiantxxzb"), t("feixb")};
}

LifestyleInput lifestyleInput(const InputViews& views)
{
    const Rows& d = views.lifestyle;
    auto t = [&d](const char* f) { return textField(d, QLatin1String(f)); };
    return {t("shifxy"), t("xiyzs"), t("shifyj"), t("meirjl")};
}

DietInput dietInput(const InputViews& views)
{
    DietInput in;
    for (size_t i = 0; i < dietItems().size(); ++i)
        in.answers[i] = textField(views.diet, QLatin1String(dietItems()[i].column));
    return in;
}

ExerciseInput exerciseInput(const InputViews& views)
{
    return {textField(views.exercise, QStringLiteral("duanlfs"))};
}

namespace {

// A tick box holds its caption when ticked and "0" when not.
bool ticked(const std::optional<QString>& box)
{
    return !isBlank(box) && box->trimmed() != QLatin1String("0");
}

// Both models were fitted on a family history in parents or siblings.
bool firstDegreeRelative(const std::optional<QString>& relative)
{
    static const QStringList firstDegree{QStringLiteral("父"), QStringLiteral("母"),
                                         QStringLiteral("兄"), QStringLiteral("弟"),
                                         QStringLiteral("姐"), QStringLiteral("妹")};
    return relative && firstDegree.contains(relative->trimmed());
}

std::optional<bool> yesNoAnswer(const std::optional<QString>& text, const QString& yes,
                                const QString& no)
{
    if (!text)
        return std::nullopt;
    if (text->trimmed() == yes)
        return true;
    if (text->trimmed() == no)
        return false;
    return std::nullopt;
}

// Diagnosed (either type ticked) or fasting glucose in the diabetic range.
// Unknown when neither the status page nor a diabetic glucose says so.
std::optional<bool> isDiabetic(const InputViews& views)
{
    const std::optional<double> glucose = numberField(views.exam, QStringLiteral("kongfxt"));
    if (glucose && *glucose >= kDiabeticFastingGlucose)
        return true;
    if (views.status.rows.empty())
        return std::nullopt;
    return ticked(textField(views.status, QStringLiteral("yixtnb"))) ||
           ticked(textField(views.status, QStringLiteral("erxtnb")));
}

} // namespace

ChinaParInput chinaParInput(const InputViews& views)
{
    const Rows& e = views.exam;
    ChinaParInput in;
    in.sex = textField(e, QStringLiteral("xingb"));
    in.age = numberField(e, QStringLiteral("nianl"));
    in.systolic = numberField(e, QStringLiteral("shousy"));
    in.totalCholesterol = numberField(e, QStringLiteral("zongdgc"));
    in.hdl = numberField(e, QStringLiteral("gaomdzdb"));
    in.waist = numberField(e, QStringLiteral("yaow"));
    in.treatedHypertension = yesNoAnswer(textField(e, QStringLiteral("jiangyy")),
                                         QStringLiteral("是"), QStringLiteral("否"));
    // Smokers now, daily or now and then; those who quit are not.
    const std::optional<QString> smokes = textField(views.lifestyle, QStringLiteral("shifxy"));
    if (!isBlank(smokes))
        in.currentSmoker = smokes->trimmed() == QStringLiteral("是") ||
                           smokes->trimmed() == QStringLiteral("偶吸");
    in.diabetes = isDiabetic(views);
    for (const char* column : {"jiazs_gxb", "jiazs_nzz", "jiazs_ncx", "jiazs_nxs"})
        in.familyHistory =
            in.familyHistory || firstDegreeRelative(textField(views.status, QLatin1String(column)));
    in.north = yesNoAnswer(textField(views.centre, QStringLiteral("diq")), QStringLiteral("北方"),
                           QStringLiteral("南方"));
    in.urban = yesNoAnswer(textField(views.centre, QStringLiteral("chengx")),
                           QStringLiteral("城市"), QStringLiteral("农村"));
    return in;
}

DiabetesScoreInput diabetesScoreInput(const InputViews& views)
{
    const Rows& e = views.exam;
    DiabetesScoreInput in;
    in.sex = textField(e, QStringLiteral("xingb"));
    in.age = numberField(e, QStringLiteral("nianl"));
    in.bmi = numberField(e, QStringLiteral("tizzs"));
    in.waist = numberField(e, QStringLiteral("yaow"));
    in.systolic = numberField(e, QStringLiteral("shousy"));
    in.familyHistory = firstDegreeRelative(textField(views.status, QStringLiteral("jiazs_1tnb"))) ||
                       firstDegreeRelative(textField(views.status, QStringLiteral("jiazs_2tnb")));
    in.diabetes = isDiabetic(views);
    return in;
}

} // namespace hra::analysis
