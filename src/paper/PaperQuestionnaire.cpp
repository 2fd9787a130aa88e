#include "paper/PaperQuestionnaire.h"

#include "reportengine/Export.h"
#include "reportengine/Report.h"

#include <QDir>
#include <QFileInfo>

namespace hra::paper {
namespace {

namespace re = hra::reportengine;

const QString kBox = QStringLiteral("□");
const QString kBlank = QStringLiteral("＿＿＿＿＿＿");
// Between options: wide enough to tell where one ends on paper.
const QString kGap = QStringLiteral("　　");

QStringList boxes(const QStringList& options)
{
    QStringList out;
    for (const QString& o : options)
        out << kBox + o;
    return out;
}

// Width of a text in em of the body size: ideographs and boxes one, the
// rest about half. Enough to keep an option and its box on one line.
double emWidth(const QString& text)
{
    double w = 0;
    for (const QChar c : text)
        w += c.unicode() >= 0x2000 ? 1.0 : 0.55;
    return w;
}

// A caption followed by items (option boxes, tick boxes), as many lines as
// needed; an item is never broken, so a box stays with its text.
void pushItems(std::vector<PaperLine>& lines, const QString& caption, const QStringList& items)
{
    constexpr double kLineEm = 48;
    QString line = caption;
    for (const QString& item : items) {
        const QString joined = line.isEmpty() ? item : line + kGap + item;
        if (!line.isEmpty() && emWidth(joined) > kLineEm && line != caption) {
            lines.push_back({false, line});
            line = kGap + item;
        } else {
            line = joined;
        }
    }
    if (!line.isEmpty())
        lines.push_back({false, line});
}

QString captionOf(const domain::FormDeclaration& form, const domain::FieldDeclaration& f)
{
    return f.isRequired() ? form.requiredMark + f.caption : f.caption;
}

// A value written by hand: caption, a blank, then the unit or the range the
// window shows beside it.
QString blank(const domain::FormDeclaration& form, const domain::FieldDeclaration& f)
{
    QString text = captionOf(form, f);
    if (!text.isEmpty() && !text.endsWith(u'：') && !text.endsWith(u'？') && !text.endsWith(u':'))
        text += u'：';
    text += kBlank;
    if (!f.unit.isEmpty())
        text += f.unit;
    if (!f.reference.text.isEmpty())
        text += QStringLiteral("　参考值") + f.reference.text;
    return text;
}

void addSection(const domain::FormDeclaration& form, const domain::SectionDeclaration& section,
                std::vector<PaperLine>& lines)
{
    if (!section.caption.isEmpty())
        lines.push_back({true, section.caption});
    // Tick boxes follow each other on one line: those of a group after the
    // group's title, the others (a list of conditions) on their own.
    QStringList ticks;
    QString tickGroup;
    auto flushTicks = [&] {
        if (ticks.isEmpty())
            return;
        pushItems(lines, tickGroup.isEmpty() ? QString() : tickGroup + u'：', ticks);
        ticks.clear();
        tickGroup.clear();
    };
    for (const domain::FieldDeclaration& f : section.fields) {
        if (!f.besideTick.isEmpty())
            continue; // written after its tick box
        if (f.kind == domain::ControlKind::Tick) {
            if (f.group != tickGroup)
                flushTicks();
            tickGroup = f.group;
            QString tick = kBox + f.caption;
            for (const domain::FieldDeclaration& beside : section.fields)
                if (beside.besideTick == f.column)
                    tick += kBlank;
            ticks << tick;
            continue;
        }
        flushTicks();
        switch (f.kind) {
        case domain::ControlKind::Options:
        case domain::ControlKind::Choice:
            pushItems(lines, captionOf(form, f), boxes(f.options));
            break;
        case domain::ControlKind::Text:
        case domain::ControlKind::Number:
        case domain::ControlKind::Tick:
            lines.push_back({false, blank(form, f)});
            break;
        }
    }
    flushTicks();
}

QString sourceName(std::size_t page)
{
    return QStringLiteral("lines%1").arg(page + 1);
}

// One template page per questionnaire page: the title, a band of lines that
// runs on to further sheets, a footer with the sheet number.
QByteArray paperTemplate()
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<report paper=\"A4\" orientation=\"portrait\" margins=\"15\">\n");
    const auto& pages = domain::questionnairePages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const QString source = sourceName(i);
        xml += QStringLiteral(
                   "<page name=\"%1\">\n"
                   "<text x=\"0\" y=\"0\" width=\"680\" height=\"30\" font=\"黑体\" size=\"20\" "
                   "bold=\"true\" halign=\"center\">健康风险评估调查问卷</text>\n"
                   "<text x=\"0\" y=\"34\" width=\"680\" height=\"24\" font=\"黑体\" size=\"16\" "
                   "halign=\"center\">%2</text>\n"
                   "<text x=\"0\" y=\"64\" width=\"680\" height=\"22\" size=\"13\">"
                   "姓名：＿＿＿＿＿＿　编号：＿＿＿＿＿＿　调查日期：＿＿＿＿＿＿</text>\n"
                   "<line x1=\"0\" y1=\"90\" x2=\"680\" y2=\"90\" line-width=\"1\"/>\n"
                   "<band source=\"%3\" x=\"0\" y=\"98\" height=\"8\" bottom=\"1000\">\n"
                   "<text x=\"0\" y=\"0\" width=\"680\" height=\"8\" font=\"黑体\" size=\"15\" "
                   "bold=\"true\" grow=\"true\" padding=\"4\">[%3.\"heading\"]</text>\n"
                   "<text x=\"16\" y=\"0\" width=\"664\" height=\"8\" size=\"13\" grow=\"true\" "
                   "padding=\"4\" line-spacing=\"1.6\">[%3.\"line\"]</text>\n"
                   "</band>\n"
                   "<text x=\"0\" y=\"1012\" width=\"680\" height=\"18\" size=\"11\" "
                   "halign=\"center\">第[Page#]页</text>\n"
                   "</page>\n")
                   .arg(source, pages[i].caption.toHtmlEscaped(), source);
    }
    xml += QStringLiteral("</report>\n");
    return xml.toUtf8();
}

} // namespace

std::vector<PaperLine> paperLines(const domain::QuestionnairePage& page)
{
    std::vector<PaperLine> lines;
    for (const domain::SectionDeclaration& section : page.form.sections)
        addSection(page.form, section, lines);
    return lines;
}

bool preparePaperQuestionnaire(re::Report& report, QString* error)
{
    const re::LoadResult loaded = report.loadFromData(paperTemplate());
    if (!loaded.ok) {
        *error = loaded.toString();
        return false;
    }
    const auto& pages = domain::questionnairePages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
        QList<QVariantList> rows;
        for (const PaperLine& l : paperLines(pages[i]))
            rows.append(l.heading ? QVariantList{l.text, QString()}
                                  : QVariantList{QString(), l.text});
        report.dataSources().add(std::make_shared<re::TableDataSource>(
            sourceName(i), QStringList{QStringLiteral("heading"), QStringLiteral("line")},
            std::move(rows)));
    }
    return true;
}

bool writePaperQuestionnaire(const QString& pdfPath, QString* error)
{
    re::Report report;
    if (!preparePaperQuestionnaire(report, error))
        return false;
    if (!report.build()) {
        *error = report.lastError();
        return false;
    }
    QDir().mkpath(QFileInfo(pdfPath).absolutePath());
    return re::exportPdf(report.built(), pdfPath, error, QStringLiteral("健康问卷"));
}

} // namespace hra::paper
