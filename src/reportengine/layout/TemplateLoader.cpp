#include "reportengine/layout/TemplateLoader.h"

#include "reportengine/Limits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>
#include <charconv>
#include <cmath>
#include <optional>

namespace hra::reportengine {

QString LoadResult::toString() const
{
    if (ok)
        return {};
    return QStringLiteral("%1:%2:%3: %4").arg(file).arg(line).arg(column).arg(message);
}

namespace {

bool holdsBand(const std::vector<ReportObject>& objects)
{
    return std::any_of(objects.begin(), objects.end(), [](const ReportObject& o) {
        return std::holds_alternative<DataBand>(o.item);
    });
}

struct LoadError
{
    QString message;
};

// What one load (with all its includes) has read so far, against the limits.
struct Budget
{
    int includedFiles = 0;
    int pages = 0;
    int objects = 0;
    int deepestInclude = 0; // longest include stack an <include> was read from
};

// A file included again (the shared objects of every page) is parsed once
// per load: its pages, warnings and what it took of the budget.
struct ParsedInclude
{
    ReportTemplate pages;
    QStringList warnings;
    Budget took;
    int nesting = -1; // deepest include inside it, relative to it; -1: none
};

// What the files of one load share: the budget and what was read already.
struct LoadState
{
    Budget budget;
    QHash<QString, ParsedInclude> includes;
    // The texts of each text resource file by name, as the lines they hold.
    QHash<QString, QHash<QString, QStringList>> textFiles;
};

// An attribute of the element being read: its name as the list of allowed
// names spells it, and its value as the reader gave it.
struct Attribute
{
    const QString* name;
    QStringView value;
};

class Loader
{
public:
    Loader(QString file, QString baseDir, QStringList includeStack, LoadState* state = nullptr)
        : m_file(std::move(file)), m_baseDir(std::move(baseDir)), m_stack(std::move(includeStack)),
          m_state(state ? state : &m_ownState), m_budget(&m_state->budget)
    {
    }

    LoadResult load(const QByteArray& xml, ReportTemplate& out);

private:
    void readReport(ReportTemplate& out);
    void readPage(const PageSetup& defaults, TemplatePage& page);
    void readObjects(std::vector<ReportObject>& objects, bool inBand);
    void readInclude(ReportTemplate& out);
    void readObjectInclude(std::vector<ReportObject>& objects);
    // The pages an <include> names (all when it names none), from its file.
    std::vector<TemplatePage> includedPages();
    QString resourceText(const QString& file, const QString& key);
    ReportObject readText();
    ReportObject readLine();
    ReportObject readRect();
    ReportObject readPicture();
    ReportObject readChart();
    ReportObject readBand();
    PageSetup readSetup(const PageSetup& defaults);

    // Attribute access; every attribute read is ticked off, and anything
    // left over is an error, so that a misspelt attribute is not ignored.
    void beginAttributes(const QStringList& allowed);
    QString str(const QString& name, const QString& fallback = {});
    bool has(QStringView name) const { return attribute(name) != nullptr; }
    const QStringView* attribute(QStringView name) const
    {
        for (const Attribute& a : m_attrs)
            if (*a.name == name)
                return &a.value;
        return nullptr;
    }
    qreal number(const QString& name, qreal fallback, qreal min = -1e6, qreal max = 1e6);
    qreal required(const QString& name, qreal min = -1e6, qreal max = 1e6);
    bool boolean(const QString& name, bool fallback);
    QColor color(const QString& name, const QColor& fallback);
    Frame frame();
    FontStyle font(const FontStyle& defaults);
    QRectF geometry(bool requireSize);
    void common(ReportObject& object);
    [[noreturn]] void fail(const QString& message) { throw LoadError{message}; }
    void skipToEnd();
    void countPage();
    void countObject();

    QXmlStreamReader m_xml;
    QString m_file;
    QString m_baseDir;
    QStringList m_stack;
    QXmlStreamAttributes m_attrSource; // holds what m_attrs views
    std::vector<Attribute> m_attrs;    // a handful: a list beats a hash
    QStringList m_warnings;
    LoadResult m_nested; // error raised inside an included file
    LoadState m_ownState;
    LoadState* m_state;
    Budget* m_budget;
};

void Loader::countPage()
{
    if (++m_budget->pages > limits::kTemplatePages)
        fail(QStringLiteral("the template has more than %1 pages").arg(limits::kTemplatePages));
}

void Loader::countObject()
{
    if (++m_budget->objects > limits::kTemplateObjects)
        fail(QStringLiteral("the template has more than %1 objects").arg(limits::kTemplateObjects));
}

LoadResult Loader::load(const QByteArray& xml, ReportTemplate& out)
{
    LoadResult result;
    result.file = m_file;
    m_xml.addData(xml);
    ReportTemplate loaded;
    try {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement()) {
                if (m_xml.name() != QLatin1String("report"))
                    fail(QStringLiteral("expected <report>, found <%1>").arg(m_xml.name()));
                readReport(loaded);
            }
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        if (!m_nested.ok)
            return m_nested;
    } catch (const LoadError& e) {
        if (!m_nested.ok)
            return m_nested;
        result.ok = false;
        result.line = int(m_xml.lineNumber());
        result.column = std::max(1, int(m_xml.columnNumber()));
        result.message = m_xml.hasError() ? m_xml.errorString() : e.message;
        result.warnings = m_warnings;
        return result;
    }
    result.warnings = m_warnings;
    out = std::move(loaded);
    return result;
}

void Loader::skipToEnd()
{
    while (m_xml.readNext() != QXmlStreamReader::Invalid) {
        if (m_xml.isEndElement())
            return;
        if (m_xml.isStartElement())
            fail(QStringLiteral("unexpected element <%1>").arg(m_xml.name()));
        if (m_xml.isCharacters() && !m_xml.isWhitespace())
            fail(QStringLiteral("unexpected text"));
    }
    fail(m_xml.errorString());
}

void Loader::beginAttributes(const QStringList& allowed)
{
    m_attrs.clear();
    // Read through a const copy: the reader's list is shared, not copied,
    // and the views below stay valid until the next element's attributes.
    m_attrSource = m_xml.attributes();
    const QXmlStreamAttributes& attributes = m_attrSource;
    for (const QXmlStreamAttribute& a : attributes) {
        const QStringView name = a.name();
        const auto known = std::find_if(allowed.cbegin(), allowed.cend(),
                                        [&](const QString& n) { return n == name; });
        if (known == allowed.cend())
            fail(QStringLiteral("unknown attribute \"%1\" on <%2>").arg(name, m_xml.name()));
        m_attrs.push_back({&*known, a.value()});
    }
}

// A number as QStringView::toDouble reads it. Templates hold thousands of
// plain decimals ("12", "-3.5"): those are read here without the locale
// machinery, correctly rounded as it rounds them; anything else goes to it.
double toNumber(QStringView text, bool* ok)
{
    char plain[32];
    const qsizetype n = text.size();
    bool simple = n > 0 && n < qsizetype(sizeof plain);
    for (qsizetype i = 0; simple && i < n; ++i) {
        const char16_t c = text[i].unicode();
        simple = (c >= u'0' && c <= u'9') || c == u'.' || (c == u'-' && i == 0);
        plain[i] = char(c);
    }
    if (simple) {
        double v = 0;
        const auto [end, error] = std::from_chars(plain, plain + n, v);
        if (error == std::errc() && end == plain + n) {
            *ok = true;
            return v;
        }
    }
    return text.toDouble(ok);
}

QString Loader::str(const QString& name, const QString& fallback)
{
    const QStringView* v = attribute(name);
    return v ? v->toString() : fallback;
}

qreal Loader::number(const QString& name, qreal fallback, qreal min, qreal max)
{
    const QStringView* text = attribute(name);
    if (!text)
        return fallback;
    bool ok = false;
    const qreal v = toNumber(text->trimmed(), &ok);
    if (!ok || !std::isfinite(v))
        fail(QStringLiteral("attribute \"%1\": \"%2\" is not a number").arg(name, *text));
    if (v < min || v > max)
        fail(QStringLiteral("attribute \"%1\": %2 is out of range [%3, %4]")
                 .arg(name, *text)
                 .arg(min)
                 .arg(max));
    return v;
}

qreal Loader::required(const QString& name, qreal min, qreal max)
{
    if (!has(name))
        fail(QStringLiteral("<%1> needs the attribute \"%2\"").arg(m_xml.name(), name));
    return number(name, 0, min, max);
}

bool Loader::boolean(const QString& name, bool fallback)
{
    const QStringView* text = attribute(name);
    if (!text)
        return fallback;
    const QString v = text->trimmed().toString().toLower();
    if (v == QLatin1String("true") || v == QLatin1String("yes") || v == QLatin1String("1"))
        return true;
    if (v == QLatin1String("false") || v == QLatin1String("no") || v == QLatin1String("0"))
        return false;
    fail(QStringLiteral("attribute \"%1\": expected true or false").arg(name));
}

QColor Loader::color(const QString& name, const QColor& fallback)
{
    const QStringView* text = attribute(name);
    if (!text)
        return fallback;
    const QString v = text->trimmed().toString();
    if (v.isEmpty() || v == QLatin1String("none") || v == QLatin1String("transparent"))
        return QColor();
    const QColor c = QColor::fromString(v);
    if (!c.isValid())
        fail(QStringLiteral("attribute \"%1\": \"%2\" is not a colour").arg(name, v));
    return c;
}

Frame Loader::frame()
{
    Frame f;
    const QString sides = str(QStringLiteral("frame")).trimmed();
    for (const QString& side : sides.split(u' ', Qt::SkipEmptyParts)) {
        if (side == QLatin1String("all"))
            f.sides |= FrameAll;
        else if (side == QLatin1String("left"))
            f.sides |= FrameLeft;
        else if (side == QLatin1String("top"))
            f.sides |= FrameTop;
        else if (side == QLatin1String("right"))
            f.sides |= FrameRight;
        else if (side == QLatin1String("bottom"))
            f.sides |= FrameBottom;
        else if (side != QLatin1String("none"))
            fail(QStringLiteral("attribute \"frame\": unknown side \"%1\"").arg(side));
    }
    f.width = number(QStringLiteral("frame-width"), 1, 0, 100);
    f.color = color(QStringLiteral("frame-color"), Qt::black);
    return f;
}

FontStyle Loader::font(const FontStyle& defaults)
{
    FontStyle f = defaults;
    f.face = str(QStringLiteral("font"), f.face);
    f.size = number(QStringLiteral("size"), f.size, 1, 1000);
    f.bold = boolean(QStringLiteral("bold"), f.bold);
    f.italic = boolean(QStringLiteral("italic"), f.italic);
    f.underline = boolean(QStringLiteral("underline"), f.underline);
    return f;
}

QRectF Loader::geometry(bool requireSize)
{
    const qreal x = number(QStringLiteral("x"), 0);
    const qreal y = number(QStringLiteral("y"), 0);
    const qreal w =
        requireSize ? required(QStringLiteral("width"), 0) : number(QStringLiteral("width"), 0, 0);
    const qreal h = requireSize ? required(QStringLiteral("height"), 0)
                                : number(QStringLiteral("height"), 0, 0);
    return QRectF(x, y, w, h);
}

void Loader::common(ReportObject& object)
{
    object.name = str(QStringLiteral("name"));
    object.visible = boolean(QStringLiteral("visible"), true);
}

// The value an attribute's text names, among a few; nothing for another text.
template <typename T>
std::optional<T> choice(QStringView text, std::initializer_list<std::pair<QStringView, T>> names)
{
    for (const auto& [name, value] : names)
        if (name == text)
            return value;
    return std::nullopt;
}

const QStringList kCommon = {QStringLiteral("name"),  QStringLiteral("visible"),
                             QStringLiteral("x"),     QStringLiteral("y"),
                             QStringLiteral("width"), QStringLiteral("height")};
const QStringList kFrame = {QStringLiteral("frame"), QStringLiteral("frame-width"),
                            QStringLiteral("frame-color")};
const QStringList kFont = {QStringLiteral("font"), QStringLiteral("size"), QStringLiteral("bold"),
                           QStringLiteral("italic"), QStringLiteral("underline")};
const QStringList kSetup = {QStringLiteral("paper"), QStringLiteral("paper-width"),
                            QStringLiteral("paper-height"), QStringLiteral("orientation"),
                            QStringLiteral("margins")};

PageSetup Loader::readSetup(const PageSetup& defaults)
{
    PageSetup setup = defaults;
    if (has(QStringLiteral("paper"))) {
        static const QHash<QString, QPageSize::PageSizeId> sizes = {
            {QStringLiteral("a3"), QPageSize::A3},
            {QStringLiteral("a4"), QPageSize::A4},
            {QStringLiteral("a5"), QPageSize::A5},
            {QStringLiteral("b5"), QPageSize::B5},
            {QStringLiteral("letter"), QPageSize::Letter},
            {QStringLiteral("legal"), QPageSize::Legal},
        };
        const QString name = str(QStringLiteral("paper")).trimmed().toLower();
        if (!sizes.contains(name))
            fail(QStringLiteral("unknown paper \"%1\"").arg(str(QStringLiteral("paper"))));
        setup.size = QPageSize(sizes.value(name));
    }
    if (has(QStringLiteral("paper-width")) || has(QStringLiteral("paper-height"))) {
        const qreal w = required(QStringLiteral("paper-width"), 10, 5000);
        const qreal h = required(QStringLiteral("paper-height"), 10, 5000);
        setup.size = QPageSize(QSizeF(w, h), QPageSize::Millimeter);
    }
    if (has(QStringLiteral("orientation"))) {
        const QString o = str(QStringLiteral("orientation")).trimmed();
        if (o == QLatin1String("portrait"))
            setup.orientation = QPageLayout::Portrait;
        else if (o == QLatin1String("landscape"))
            setup.orientation = QPageLayout::Landscape;
        else
            fail(QStringLiteral("orientation must be portrait or landscape"));
    }
    if (has(QStringLiteral("margins"))) {
        QList<qreal> m;
        for (const QString& part : str(QStringLiteral("margins")).split(u' ', Qt::SkipEmptyParts)) {
            bool ok = false;
            const qreal v = part.toDouble(&ok);
            if (!ok || !std::isfinite(v) || v < 0 || v > 500)
                fail(QStringLiteral("margins: \"%1\" is not a size in millimetres").arg(part));
            m << v;
        }
        if (m.size() == 1)
            setup.marginsMm = QMarginsF(m[0], m[0], m[0], m[0]);
        else if (m.size() == 4)
            setup.marginsMm = QMarginsF(m[0], m[1], m[2], m[3]);
        else
            fail(QStringLiteral("margins: give one size or four (left top right bottom)"));
    }
    const QRectF printable = setup.printableRect();
    if (printable.width() <= 0 || printable.height() <= 0)
        fail(QStringLiteral("the margins leave no printable area"));
    return setup;
}

void Loader::readReport(ReportTemplate& out)
{
    beginAttributes(kSetup);
    const PageSetup defaults = readSetup(PageSetup());
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == QLatin1String("page")) {
            TemplatePage page;
            readPage(defaults, page);
            countPage();
            out.pages.push_back(std::move(page));
        } else if (m_xml.name() == QLatin1String("include")) {
            readInclude(out);
        } else {
            fail(QStringLiteral("unknown element <%1> in <report>").arg(m_xml.name()));
        }
    }
    if (m_xml.hasError())
        fail(m_xml.errorString());
}

std::vector<TemplatePage> Loader::includedPages()
{
    static const QStringList allowed = {QStringLiteral("file"), QStringLiteral("pages")};
    beginAttributes(allowed);
    const QString file = str(QStringLiteral("file"));
    if (file.isEmpty())
        fail(QStringLiteral("<include> needs the attribute \"file\""));
    const QString path = QFileInfo(QDir(m_baseDir), file).absoluteFilePath();
    if (m_stack.contains(path))
        fail(QStringLiteral("\"%1\" includes itself").arg(file));
    if (m_stack.size() > limits::kIncludeDepth)
        fail(QStringLiteral("includes nest deeper than %1 levels").arg(limits::kIncludeDepth));
    if (++m_budget->includedFiles > limits::kIncludedFiles)
        fail(QStringLiteral("the template includes more than %1 files (repeats counted)")
                 .arg(limits::kIncludedFiles));
    m_budget->deepestInclude = std::max(m_budget->deepestInclude, int(m_stack.size()));
    const int stackThere = int(m_stack.size()) + 1; // the included file's own stack
    // The file's pages, kept in the load's state for the next include of it.
    const ReportTemplate* included = nullptr;
    const auto parsed = m_state->includes.constFind(path);
    // Parsed before: no file it includes can include it, so the same limits
    // hold as for a fresh read, which also gives the exact error when not.
    if (parsed != m_state->includes.constEnd() &&
        (parsed->nesting < 0 || stackThere + parsed->nesting <= limits::kIncludeDepth) &&
        m_budget->includedFiles + parsed->took.includedFiles <= limits::kIncludedFiles &&
        m_budget->pages + parsed->took.pages <= limits::kTemplatePages &&
        m_budget->objects + parsed->took.objects <= limits::kTemplateObjects) {
        m_budget->includedFiles += parsed->took.includedFiles;
        m_budget->pages += parsed->took.pages;
        m_budget->objects += parsed->took.objects;
        if (parsed->nesting >= 0)
            m_budget->deepestInclude =
                std::max(m_budget->deepestInclude, stackThere + parsed->nesting);
        m_warnings << parsed->warnings;
        included = &parsed->pages;
    } else {
        QByteArray xml;
        QString readError;
        if (!limits::readFile(path, limits::kTemplateBytes, xml, &readError))
            fail(QStringLiteral("cannot read the included template \"%1\": %2")
                     .arg(file, readError));
        const Budget before = *m_budget;
        m_budget->deepestInclude = -1;
        Loader nested(path, QFileInfo(path).absolutePath(), m_stack + QStringList{path}, m_state);
        ParsedInclude entry;
        const LoadResult r = nested.load(xml, entry.pages);
        const int deepest = m_budget->deepestInclude;
        m_budget->deepestInclude = std::max(before.deepestInclude, deepest);
        m_warnings << r.warnings;
        if (!r.ok) {
            m_nested = r;
            fail(r.message);
        }
        entry.warnings = r.warnings;
        entry.took.includedFiles = m_budget->includedFiles - before.includedFiles;
        entry.took.pages = m_budget->pages - before.pages;
        entry.took.objects = m_budget->objects - before.objects;
        entry.nesting = deepest < 0 ? -1 : deepest - stackThere;
        included = &m_state->includes.insert(path, std::move(entry))->pages;
    }
    const QStringList wanted = str(QStringLiteral("pages")).split(u' ', Qt::SkipEmptyParts);
    if (wanted.isEmpty())
        return included->pages;
    std::vector<TemplatePage> pages;
    for (const QString& name : wanted) {
        auto it = std::find_if(included->pages.begin(), included->pages.end(),
                               [&](const TemplatePage& p) { return p.name == name; });
        if (it == included->pages.end())
            fail(QStringLiteral("\"%1\" has no page \"%2\"").arg(file, name));
        pages.push_back(*it);
    }
    return pages;
}

void Loader::readInclude(ReportTemplate& out)
{
    for (TemplatePage& page : includedPages())
        out.pages.push_back(std::move(page));
    skipToEnd();
}

// Inside a page, <include> brings in the objects of other pages, so that what
// every page of a report shows (headings, footers) is written once.
void Loader::readObjectInclude(std::vector<ReportObject>& objects)
{
    for (TemplatePage& page : includedPages())
        for (ReportObject& object : page.objects) {
            if (std::holds_alternative<DataBand>(object.item) && holdsBand(objects))
                fail(QStringLiteral("a page holds at most one <band>"));
            objects.push_back(std::move(object));
        }
    skipToEnd();
}

// A text resource file holds named texts: a line "@name" starts the text of
// that name, which runs to the next such line; lines starting with "#" are
// comments; blank lines around a text are dropped, those inside kept.
QString Loader::resourceText(const QString& file, const QString& key)
{
    const QString path = QFileInfo(QDir(m_baseDir), file).absoluteFilePath();
    auto read = m_state->textFiles.constFind(path);
    if (read == m_state->textFiles.constEnd()) {
        QByteArray content;
        if (!limits::readFile(path, limits::kTemplateBytes, content, nullptr))
            fail(QStringLiteral("cannot read the text file \"%1\"").arg(file));
        // Split into its texts once; a text named twice takes the lines of both.
        QHash<QString, QStringList> texts;
        std::optional<QString> current; // none before the first name
        const QStringList lines = QString::fromUtf8(content)
                                      .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                                      .split(u'\n');
        for (const QString& line : lines) {
            if (line.startsWith(u'@')) {
                current = line.mid(1).trimmed();
                texts[*current]; // a name without lines is a text, an empty one
            } else if (current && !line.startsWith(u'#')) {
                texts[*current] << line;
            }
        }
        read = m_state->textFiles.insert(path, std::move(texts));
    }
    const auto named = read->constFind(key);
    if (named == read->constEnd())
        fail(QStringLiteral("\"%1\" has no text \"%2\"").arg(file, key));
    QStringList text = *named;
    while (!text.isEmpty() && text.first().trimmed().isEmpty())
        text.removeFirst();
    while (!text.isEmpty() && text.last().trimmed().isEmpty())
        text.removeLast();
    return text.join(u'\n');
}

void Loader::readPage(const PageSetup& defaults, TemplatePage& page)
{
    static const QStringList allowed = kSetup + QStringList{QStringLiteral("name")};
    beginAttributes(allowed);
    page.name = str(QStringLiteral("name"));
    page.setup = readSetup(defaults);
    readObjects(page.objects, false);
}

void Loader::readObjects(std::vector<ReportObject>& objects, bool inBand)
{
    while (m_xml.readNextStartElement()) {
        const auto name = m_xml.name();
        if (name != QLatin1String("include"))
            countObject();
        if (name == QLatin1String("text"))
            objects.push_back(readText());
        else if (name == QLatin1String("line"))
            objects.push_back(readLine());
        else if (name == QLatin1String("rect"))
            objects.push_back(readRect());
        else if (name == QLatin1String("picture"))
            objects.push_back(readPicture());
        else if (name == QLatin1String("chart"))
            objects.push_back(readChart());
        else if (name == QLatin1String("band")) {
            if (inBand)
                fail(QStringLiteral("a <band> cannot hold another band"));
            if (holdsBand(objects))
                fail(QStringLiteral("a page holds at most one <band>"));
            objects.push_back(readBand());
        } else if (name == QLatin1String("include") && !inBand)
            readObjectInclude(objects);
        else
            fail(QStringLiteral("unknown element <%1>").arg(name));
    }
    if (m_xml.hasError())
        fail(m_xml.errorString());
}

ReportObject Loader::readText()
{
    static const QStringList allowed =
        kCommon + kFrame + kFont +
        QStringList{
            QStringLiteral("color"),     QStringLiteral("fill"),    QStringLiteral("halign"),
            QStringLiteral("valign"),    QStringLiteral("wrap"),    QStringLiteral("grow"),
            QStringLiteral("shrink"),    QStringLiteral("padding"), QStringLiteral("line-spacing"),
            QStringLiteral("text-file"), QStringLiteral("text-key")};
    beginAttributes(allowed);
    ReportObject object;
    common(object);
    object.rect = geometry(true);
    TextBox box;
    box.font = font(box.font);
    box.color = color(QStringLiteral("color"), Qt::black);
    box.fill = color(QStringLiteral("fill"), QColor());
    box.frame = frame();
    if (const QStringView* h = attribute(u"halign")) {
        const std::optional<HAlign> a = choice<HAlign>(*h, {{u"left", HAlign::Left},
                                                            {u"center", HAlign::Center},
                                                            {u"right", HAlign::Right},
                                                            {u"justify", HAlign::Justify},
                                                            {u"distribute", HAlign::Distribute}});
        if (!a)
            fail(QStringLiteral("halign must be left, center, right, justify or distribute"));
        box.halign = *a;
    }
    if (const QStringView* v = attribute(u"valign")) {
        const std::optional<VAlign> a = choice<VAlign>(
            *v, {{u"top", VAlign::Top}, {u"center", VAlign::Center}, {u"bottom", VAlign::Bottom}});
        if (!a)
            fail(QStringLiteral("valign must be top, center or bottom"));
        box.valign = *a;
    }
    box.wrap = boolean(QStringLiteral("wrap"), true);
    box.grow = boolean(QStringLiteral("grow"), false);
    box.shrink = boolean(QStringLiteral("shrink"), false);
    box.padding = number(QStringLiteral("padding"), 2, 0, 1000);
    box.lineSpacing = number(QStringLiteral("line-spacing"), 1.25, 0.1, 10);
    const QString textFile = str(QStringLiteral("text-file"));
    const QString textKey = str(QStringLiteral("text-key"));
    if (textFile.isEmpty() != textKey.isEmpty())
        fail(QStringLiteral("\"text-file\" and \"text-key\" go together"));
    box.text = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
    if (m_xml.hasError())
        fail(m_xml.errorString());
    if (!textFile.isEmpty()) {
        if (!box.text.trimmed().isEmpty())
            fail(QStringLiteral("a text box with \"text-file\" holds no text of its own"));
        box.text = resourceText(textFile, textKey);
    }
    object.item = box;
    return object;
}

ReportObject Loader::readLine()
{
    static const QStringList allowed = {
        QStringLiteral("name"),       QStringLiteral("visible"), QStringLiteral("x1"),
        QStringLiteral("y1"),         QStringLiteral("x2"),      QStringLiteral("y2"),
        QStringLiteral("line-width"), QStringLiteral("color"),   QStringLiteral("style")};
    beginAttributes(allowed);
    ReportObject object;
    common(object);
    LineShape line;
    line.from = QPointF(required(QStringLiteral("x1")), required(QStringLiteral("y1")));
    line.to = QPointF(required(QStringLiteral("x2")), required(QStringLiteral("y2")));
    line.width = number(QStringLiteral("line-width"), 1, 0, 100);
    line.color = color(QStringLiteral("color"), Qt::black);
    const QString style = str(QStringLiteral("style"), QStringLiteral("solid"));
    if (style == QLatin1String("solid"))
        line.style = Qt::SolidLine;
    else if (style == QLatin1String("dash"))
        line.style = Qt::DashLine;
    else if (style == QLatin1String("dot"))
        line.style = Qt::DotLine;
    else
        fail(QStringLiteral("style must be solid, dash or dot"));
    object.rect = QRectF(line.from, line.to).normalized();
    object.item = line;
    skipToEnd();
    return object;
}

ReportObject Loader::readRect()
{
    static const QStringList allowed =
        kCommon + QStringList{QStringLiteral("radius"), QStringLiteral("frame-width"),
                              QStringLiteral("frame-color"), QStringLiteral("fill")};
    beginAttributes(allowed);
    ReportObject object;
    common(object);
    object.rect = geometry(true);
    RectShape shape;
    shape.radius = number(QStringLiteral("radius"), 0, 0, 1000);
    shape.frameWidth = number(QStringLiteral("frame-width"), 1, 0, 100);
    shape.frameColor = color(QStringLiteral("frame-color"), Qt::black);
    shape.fill = color(QStringLiteral("fill"), QColor());
    object.item = shape;
    skipToEnd();
    return object;
}

ReportObject Loader::readPicture()
{
    static const QStringList allowed =
        kCommon + kFrame + QStringList{QStringLiteral("mode"), QStringLiteral("file")};
    beginAttributes(allowed);
    ReportObject object;
    common(object);
    object.rect = geometry(true);
    Picture picture;
    picture.frame = frame();
    static const QHash<QString, PictureMode> modes = {
        {QStringLiteral("stretch"), PictureMode::Stretch},
        {QStringLiteral("fit"), PictureMode::Fit},
        {QStringLiteral("center"), PictureMode::Center},
        {QStringLiteral("top-left"), PictureMode::TopLeft}};
    const QString mode = str(QStringLiteral("mode"), QStringLiteral("stretch"));
    if (!modes.contains(mode))
        fail(QStringLiteral("mode must be stretch, fit, center or top-left"));
    picture.mode = modes.value(mode);
    const QString file = str(QStringLiteral("file"));
    if (!file.isEmpty()) {
        const QString path = QFileInfo(QDir(m_baseDir), file).absoluteFilePath();
        picture.image = PictureImage::fromFile(path);
        if (picture.image.isNull())
            m_warnings << QStringLiteral("%1:%2: cannot read the picture \"%3\"")
                              .arg(m_file)
                              .arg(m_xml.lineNumber())
                              .arg(file);
    }
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() != QLatin1String("data"))
            fail(QStringLiteral("unknown element <%1> in <picture>").arg(m_xml.name()));
        static const QStringList dataAllowed = {QStringLiteral("format")};
        beginAttributes(dataAllowed);
        const QByteArray format = str(QStringLiteral("format")).toLatin1();
        const QByteArray data = QByteArray::fromBase64(
            m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement).toLatin1());
        if (m_xml.hasError())
            fail(m_xml.errorString());
        picture.image = QImage::fromData(data, format.isEmpty() ? nullptr : format.constData());
        if (picture.image.isNull())
            fail(QStringLiteral("<data> holds no readable picture"));
    }
    if (m_xml.hasError())
        fail(m_xml.errorString());
    object.item = picture;
    return object;
}

ReportObject Loader::readChart()
{
    static const QStringList allowed =
        kCommon + kFrame + QStringList{QStringLiteral("source"),       QStringLiteral("category"),
                                       QStringLiteral("value"),        QStringLiteral("sort"),
                                       QStringLiteral("top"),          QStringLiteral("colors"),
                                       QStringLiteral("color-each"),   QStringLiteral("labels"),
                                       QStringLiteral("axis-min"),     QStringLiteral("axis-max"),
                                       QStringLiteral("series-title"), QStringLiteral("legend"),
                                       QStringLiteral("font"),         QStringLiteral("size"),
                                       QStringLiteral("background"),   QStringLiteral("kind"),
                                       QStringLiteral("decimals"),     QStringLiteral("axis-step"),
                                       QStringLiteral("grid")};
    beginAttributes(allowed);
    ReportObject object;
    common(object);
    object.rect = geometry(true);
    BarChart chart;
    const QString kind = str(QStringLiteral("kind"), QStringLiteral("bar"));
    if (kind == QLatin1String("line"))
        chart.kind = ChartKind::Lines;
    else if (kind != QLatin1String("bar"))
        fail(QStringLiteral("kind must be bar or line"));
    chart.source = str(QStringLiteral("source"));
    chart.categoryField = str(QStringLiteral("category"));
    chart.valueField = str(QStringLiteral("value"));
    if (chart.source.isEmpty() || chart.valueField.isEmpty())
        fail(QStringLiteral("<chart> needs the attributes \"source\" and \"value\""));
    const QString sort = str(QStringLiteral("sort"), QStringLiteral("none"));
    if (sort == QLatin1String("none"))
        chart.sort = SortOrder::None;
    else if (sort == QLatin1String("ascending"))
        chart.sort = SortOrder::Ascending;
    else if (sort == QLatin1String("descending"))
        chart.sort = SortOrder::Descending;
    else
        fail(QStringLiteral("sort must be none, ascending or descending"));
    chart.top = int(number(QStringLiteral("top"), 0, 0, 10000));
    for (const QString& c : str(QStringLiteral("colors")).split(u' ', Qt::SkipEmptyParts)) {
        const QColor color = QColor::fromString(c);
        if (!color.isValid())
            fail(QStringLiteral("colors: \"%1\" is not a colour").arg(c));
        chart.colors << color;
    }
    chart.colorEach = boolean(QStringLiteral("color-each"), false);
    chart.valueLabels = boolean(QStringLiteral("labels"), false);
    if (has(QStringLiteral("decimals")))
        chart.decimals = int(number(QStringLiteral("decimals"), 0, 0, 6));
    if (has(QStringLiteral("axis-min")))
        chart.axisMin = number(QStringLiteral("axis-min"), 0, -1e12, 1e12);
    if (has(QStringLiteral("axis-max")))
        chart.axisMax = number(QStringLiteral("axis-max"), 0, -1e12, 1e12);
    if (chart.axisMin && chart.axisMax && *chart.axisMax <= *chart.axisMin)
        fail(QStringLiteral("axis-max must be greater than axis-min"));
    if (has(QStringLiteral("axis-step"))) {
        chart.axisStep = number(QStringLiteral("axis-step"), 0, 0, 1e12);
        if (!(*chart.axisStep > 0))
            fail(QStringLiteral("axis-step must be greater than 0"));
    }
    const QString grid = str(QStringLiteral("grid"), QStringLiteral("solid"));
    if (grid == QLatin1String("dash"))
        chart.gridStyle = Qt::DashLine;
    else if (grid == QLatin1String("dot"))
        chart.gridStyle = Qt::DotLine;
    else if (grid != QLatin1String("solid"))
        fail(QStringLiteral("grid must be solid, dash or dot"));
    chart.seriesTitle = str(QStringLiteral("series-title"));
    chart.legend = boolean(QStringLiteral("legend"), false);
    FontStyle defaults = chart.font;
    chart.font = font(defaults);
    chart.background = color(QStringLiteral("background"), Qt::white);
    chart.frame = frame();
    object.item = chart;
    skipToEnd();
    return object;
}

ReportObject Loader::readBand()
{
    static const QStringList allowed =
        kCommon + QStringList{QStringLiteral("source"), QStringLiteral("bottom")};
    beginAttributes(allowed);
    ReportObject object;
    common(object);
    DataBand band;
    band.source = str(QStringLiteral("source"));
    if (band.source.isEmpty())
        fail(QStringLiteral("<band> needs the attribute \"source\""));
    object.rect =
        QRectF(number(QStringLiteral("x"), 0), number(QStringLiteral("y"), 0),
               number(QStringLiteral("width"), 0, 0), required(QStringLiteral("height"), 1));
    if (has(QStringLiteral("bottom"))) {
        band.bottom = number(QStringLiteral("bottom"), 0);
        // A bottom above the band's first row would put every row on a page
        // of its own.
        if (*band.bottom < object.rect.bottom())
            fail(QStringLiteral("the band's bottom (%1) lies above the end of its first row (%2)")
                     .arg(*band.bottom)
                     .arg(object.rect.bottom()));
    }
    readObjects(band.children, true);
    object.item = std::move(band);
    return object;
}

} // namespace

LoadResult loadTemplateFromData(const QByteArray& xml, const QString& baseDir, ReportTemplate& out)
{
    out = ReportTemplate();
    if (xml.size() > limits::kTemplateBytes) {
        LoadResult r;
        r.ok = false;
        r.message = QStringLiteral("the template is larger than %1 MB")
                        .arg(limits::kTemplateBytes / (1024 * 1024));
        return r;
    }
    Loader loader(QString(), baseDir, {});
    return loader.load(xml, out);
}

LoadResult loadTemplate(const QString& path, ReportTemplate& out)
{
    out = ReportTemplate();
    if (!QFileInfo::exists(path))
        return LoadResult{.file = path};
    QByteArray xml;
    QString error;
    if (!limits::readFile(path, limits::kTemplateBytes, xml, &error)) {
        LoadResult r;
        r.ok = false;
        r.file = path;
        r.message = error;
        return r;
    }
    const QString absolute = QFileInfo(path).absoluteFilePath();
    Loader loader(path, QFileInfo(path).absolutePath(), {absolute});
    return loader.load(xml, out);
}

} // namespace hra::reportengine
