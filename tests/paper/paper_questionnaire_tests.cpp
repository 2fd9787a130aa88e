#include "paper/PaperQuestionnaire.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace hra;

namespace {

// The text of a PDF as a reader copies it, line by line.
QStringList pdfLines(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"),
            {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QStringList lines;
    for (const QString& l : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n'))
        lines << QString(l).remove(QRegularExpression(QStringLiteral("\\s")));
    return lines;
}

bool anyLineHas(const QStringList& lines, const QString& text)
{
    const QString wanted = QString(text).remove(QRegularExpression(QStringLiteral("\\s")));
    for (const QString& l : lines)
        if (l.contains(wanted))
            return true;
    return false;
}

} // namespace

// The printed questionnaire holds every page, section, question, option
// (with its box, on one line) and unit the questionnaire window is built
// from.
TEST(PaperQuestionnaireTest, PdfHoldsEveryDeclaredQuestionAndOption)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("q.pdf"));
    QString error;
    ASSERT_TRUE(paper::writePaperQuestionnaire(pdf, &error)) << error.toStdString();
    const QStringList lines = pdfLines(pdf);
    ASSERT_FALSE(lines.isEmpty());

    int checked = 0;
    for (const domain::QuestionnairePage& page : domain::questionnairePages()) {
        SCOPED_TRACE(page.caption.toStdString());
        EXPECT_TRUE(anyLineHas(lines, page.caption));
        for (const domain::SectionDeclaration& section : page.form.sections) {
            if (!section.caption.isEmpty()) {
                EXPECT_TRUE(anyLineHas(lines, section.caption)) << section.caption.toStdString();
            }
            for (const domain::FieldDeclaration& f : section.fields) {
                SCOPED_TRACE(f.column.toStdString());
                const QString caption =
                    f.isRequired() ? page.form.requiredMark + f.caption : f.caption;
                if (f.kind == domain::ControlKind::Tick) {
                    EXPECT_TRUE(anyLineHas(lines, QStringLiteral("□") + f.caption));
                } else if (!caption.isEmpty()) {
                    EXPECT_TRUE(anyLineHas(lines, caption)) << caption.toStdString();
                }
                for (const QString& o : f.options) {
                    EXPECT_TRUE(anyLineHas(lines, QStringLiteral("□") + o)) << o.toStdString();
                }
                if (!f.unit.isEmpty()) {
                    EXPECT_TRUE(anyLineHas(lines, f.unit)) << f.unit.toStdString();
                }
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 80);
}

// Lines are made from the declaration's structure: a text shown beside a
// tick box is a blank after that box, ticks of a group follow its title on
// one line, a required value carries the form's mark and its unit.
TEST(PaperQuestionnaireTest, LinesFollowTheDeclaration)
{
    domain::FormDeclaration form;
    form.requiredMark = QStringLiteral("*");
    domain::FieldDeclaration other{.column = QStringLiteral("other"),
                                   .caption = QStringLiteral("其他"),
                                   .kind = domain::ControlKind::Tick};
    domain::FieldDeclaration otherText{.column = QStringLiteral("otherText"),
                                       .besideTick = QStringLiteral("other")};
    domain::FieldDeclaration red{.column = QStringLiteral("red"),
                                 .caption = QStringLiteral("红"),
                                 .kind = domain::ControlKind::Tick,
                                 .group = QStringLiteral("颜色")};
    domain::FieldDeclaration blue = red;
    blue.column = QStringLiteral("blue");
    blue.caption = QStringLiteral("蓝");
    domain::FieldDeclaration height{.column = QStringLiteral("h"),
                                    .caption = QStringLiteral("身长"),
                                    .kind = domain::ControlKind::Number,
                                    .requiredMessage = QStringLiteral("必填"),
                                    .unit = QStringLiteral("cm")};
    form.sections = {
        {QStringLiteral("a"), QStringLiteral("第一节"), 2, {other, otherText, red, blue, height}}};
    const domain::QuestionnairePage page{domain::AssessmentTable::Diet, QStringLiteral("页"), form};

    const std::vector<paper::PaperLine> lines = paper::paperLines(page);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[0].heading);
    EXPECT_EQ(lines[0].text, QStringLiteral("第一节"));
    EXPECT_EQ(lines[1].text, QStringLiteral("□其他＿＿＿＿＿＿"));
    EXPECT_EQ(lines[2].text, QStringLiteral("颜色：　　□红　　□蓝"));
    EXPECT_EQ(lines[3].text, QStringLiteral("*身长：＿＿＿＿＿＿cm"));
}
