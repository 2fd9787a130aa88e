#include "reportengine/layout/Builder.h"

#include "reportengine/Limits.h"
#include "reportengine/layout/ChartLayout.h"
#include "reportengine/layout/Expression.h"
#include "reportengine/layout/TextLayout.h"

#include <cmath>
#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <utility>

namespace hra::reportengine {

namespace {

struct Translate
{
    QPointF d;
    void operator()(TextPrimitive& t) const
    {
        t.rect.translate(d);
        t.origin += d;
    }
    void operator()(LinePrimitive& l) const { l.line.translate(d); }
    void operator()(RectPrimitive& r) const { r.rect.translate(d); }
    void operator()(ImagePrimitive& i) const
    {
        i.box.translate(d);
        i.target.translate(d);
    }
};

qreal bottomOf(const Primitive& p)
{
    return std::visit(
        [](const auto& item) -> qreal {
            using T = std::decay_t<decltype(item)>;
            if constexpr (std::is_same_v<T, LinePrimitive>)
                return std::max(item.line.y1(), item.line.y2());
            else if constexpr (std::is_same_v<T, ImagePrimitive>)
                return item.box.bottom();
            else
                return item.rect.bottom();
        },
        p);
}

QRectF pictureTarget(const Picture& picture, const QRectF& box)
{
    const QSizeF natural = picture.image.size(); // one pixel per unit
    switch (picture.mode) {
    case PictureMode::Stretch:
        return box;
    case PictureMode::Fit: {
        const QSizeF fitted = natural.scaled(box.size(), Qt::KeepAspectRatio);
        return QRectF(box.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
    }
    case PictureMode::Center:
        return QRectF(box.center() - QPointF(natural.width() / 2, natural.height() / 2), natural);
    case PictureMode::TopLeft:
        return QRectF(box.topLeft(), natural);
    }
    return box;
}

// The smallest size a box may shrink its text to: half with shrink="true",
// which a box asks for where a long value is expected; otherwise a size that
// still reads.
qreal smallestSize(const TextBox& box)
{
    if (box.shrink)
        return box.font.size / 2;
    return std::min(box.font.size, std::max<qreal>(8, box.font.size * 0.7));
}

qreal lineWidth(const QString& line, const FontStyle& font)
{
    const LaidOutText laid = layoutText(line, font, 1e9, HAlign::Left, false, 1);
    qreal end = 0;
    for (const GlyphRunText& run : laid.runs)
        end = std::max(end, run.end);
    return end;
}

// Whether the text fits inside the box at the box's font: no line wider
// than the box, and the glyphs of every line above its bottom (a single
// line may use its leading).
bool fitsInside(const TextBox& box, const QString& text, const QRectF& rect)
{
    const qreal innerWidth = std::max<qreal>(0, rect.width() - 2 * box.padding);
    const qreal innerHeight = std::max<qreal>(0, rect.height() - 2 * box.padding);
    const LaidOutText laid =
        layoutText(text, box.font, innerWidth, box.halign, box.wrap, box.lineSpacing);
    if (laid.noFont)
        return true;
    for (const qreal width : laid.lineWidths)
        if (width > innerWidth + 0.5)
            return false;
    const qreal pitch = box.font.size * box.lineSpacing;
    const qsizetype lines = laid.lines.size();
    return lines <= 1 || (lines - 1) * pitch + box.font.size <= innerHeight + 0.5;
}

// The longest start of `line` that fits `width` with "…" after it.
QString shortened(const QString& line, const FontStyle& font, qreal width)
{
    const QString ellipsis = QStringLiteral("…");
    qsizetype lo = 0;
    qsizetype hi = line.size();
    while (lo < hi) {
        const qsizetype mid = (lo + hi + 1) / 2;
        if (lineWidth(line.left(mid) + ellipsis, font) <= width + 0.5)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo > 0 && line.at(lo - 1).isHighSurrogate())
        --lo;
    return line.left(lo).trimmed() + ellipsis;
}

struct FittedText
{
    TextPrimitive laid;
    bool shortened = false;
};

// A box never prints past its sides: text that does not fit shrinks down to
// the smallest size, then keeps the lines that fit and ends with "…".
FittedText fitTextBox(const TextBox& box, const QString& text, const QRectF& rect)
{
    if (box.grow || text.isEmpty() || fitsInside(box, text, rect))
        return {layoutTextBox(box, text, rect)};
    TextBox smaller = box;
    const qreal smallest = smallestSize(box);
    for (qreal size = std::floor(box.font.size * 2 - 1) / 2; size > smallest; size -= 0.5) {
        smaller.font.size = size;
        if (fitsInside(smaller, text, rect))
            return {layoutTextBox(smaller, text, rect)};
    }
    smaller.font.size = smallest;
    if (fitsInside(smaller, text, rect))
        return {layoutTextBox(smaller, text, rect)};

    const qreal innerWidth = std::max<qreal>(0, rect.width() - 2 * box.padding);
    const qreal innerHeight = std::max<qreal>(0, rect.height() - 2 * box.padding);
    const LaidOutText laid = layoutText(text, smaller.font, innerWidth, smaller.halign,
                                        smaller.wrap, smaller.lineSpacing);
    const qreal pitch = smaller.font.size * smaller.lineSpacing;
    const qsizetype room = std::max<qsizetype>(
        1, qsizetype(std::floor((innerHeight - smaller.font.size + 0.5) / pitch)) + 1);
    QStringList lines = laid.lines;
    const bool dropped = lines.size() > room;
    if (dropped)
        lines = lines.mid(0, room);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const bool last = i + 1 == lines.size();
        if ((last && dropped) || lineWidth(lines[i], smaller.font) > innerWidth + 0.5)
            lines[i] = shortened(lines[i], smaller.font, innerWidth);
    }
    smaller.wrap = false; // the lines are broken already
    return {layoutTextBox(smaller, lines.join(u'\n'), rect), true};
}

} // namespace

TextPrimitive layoutTextBox(const TextBox& box, const QString& text, const QRectF& rect)
{
    const qreal pad = box.padding;
    const qreal innerWidth = std::max<qreal>(0, rect.width() - 2 * pad);
    const LaidOutText laid =
        layoutText(text, box.font, innerWidth, box.halign, box.wrap, box.lineSpacing);
    TextPrimitive t;
    t.rect = rect;
    if (box.grow && laid.height + 2 * pad > rect.height())
        t.rect.setHeight(laid.height + 2 * pad);
    const qreal innerHeight = t.rect.height() - 2 * pad;
    qreal dy = 0;
    if (box.valign == VAlign::Center)
        dy = (innerHeight - laid.height) / 2;
    else if (box.valign == VAlign::Bottom)
        dy = innerHeight - laid.height;
    t.origin = t.rect.topLeft() + QPointF(pad, pad + dy);
    t.runs = laid.runs;
    t.text = laid.lines.join(u'\n');
    t.underlines = laid.underlines;
    t.underlineWidth = laid.underlineWidth;
    t.color = box.color;
    t.fill = box.fill;
    t.frame = box.frame;
    t.clip = !box.grow;
    t.missing = laid.missing;
    t.noFont = laid.noFont;
    return t;
}

ReportBuilder::ReportBuilder(ReportTemplate templ, DataSources sources)
    : m_template(std::move(templ)), m_sources(std::move(sources))
{
}

ReportBuilder::~ReportBuilder()
{
    finishReading();
}

void ReportBuilder::finishReading()
{
    const QSet<DataSource*> touched = std::exchange(m_touched, {});
    for (DataSource* source : touched) {
        try {
            source->finishedReading();
        } catch (const std::runtime_error& e) { // what a source reports: its database failed
            warn(QStringLiteral("data source \"%1\" did not finish reading: %2")
                     .arg(source->name(), QString::fromUtf8(e.what())));
        }
    }
}

int BuildProgress::permille() const
{
    if (templatePages <= 0)
        return 1000;
    qint64 done = qint64(templatePagesDone) * 1000;
    if (rowCount > 0 && templatePagesDone < templatePages)
        done += qint64(std::min(rowsDone, rowCount)) * 1000 / rowCount;
    return int(std::min<qint64>(1000, done / templatePages));
}

BuildProgress ReportBuilder::progress() const
{
    BuildProgress p;
    p.templatePagesDone = m_next;
    p.templatePages = templatePageCount();
    p.pagesBuilt = m_pagesBuilt;
    if (m_bandSourceRead) {
        p.rowCount = m_bandSourceRead->rowCount();
        p.rowsDone = std::max(0, m_bandRow);
    }
    return p;
}

void ReportBuilder::step()
{
    if (atEnd())
        return;
    // The engine's boundary: the data sources are the callers' and may fail
    // in ways of their own; any failure but a programming fault ends the
    // build with an error instead of the process.
    try {
        if (m_bandObject || beginTemplatePage())
            continueBand();
    } catch (const std::logic_error&) {
        throw;
    } catch (const std::bad_alloc&) {
        m_result.ok = false;
        m_result.error = QStringLiteral("out of memory while building the pages");
    } catch (const std::exception& e) {
        m_result.ok = false;
        m_result.error = QString::fromUtf8(e.what());
    } catch (...) {
        m_result.ok = false;
        m_result.error = QStringLiteral("unknown error while reading the data");
    }
    if (!m_result.ok) {
        m_bandObject = nullptr;
        m_bandSourceRead = nullptr;
        m_bandSource = nullptr;
    }
}

void ReportBuilder::emitPage(BuiltPage&& page)
{
    ++m_pagesBuilt;
    if (m_sink)
        m_sink(std::move(page));
    else
        m_result.report.appendPage(std::move(page));
}

// A character without a glyph prints as an empty box (or not at all when no
// font resolves): the text on paper is not the text of the report, so the
// build says so once, naming the characters.
void ReportBuilder::noteMissingGlyphs(const TextPrimitive& text)
{
    if (text.noFont)
        m_noFont = true;
    for (qsizetype i = 0; i < text.missing.size();) {
        const qsizetype length = text.missing.at(i).isHighSurrogate() ? 2 : 1;
        const QString ch = text.missing.mid(i, length);
        i += length;
        if (!m_missingSeen.contains(ch)) {
            m_missingSeen.insert(ch);
            if (m_missingGlyphs.size() < 40)
                m_missingGlyphs += ch;
        }
    }
}

BuildResult ReportBuilder::takeResult()
{
    finishReading();
    if (m_noFont)
        warn(QStringLiteral("no font could be found: text is left out of the pages "
                            "(install the fonts of scripts/install-deps.sh)"));
    else if (!m_missingSeen.isEmpty())
        warn(QStringLiteral("no font has a glyph for %1 character(s), which print as empty "
                            "boxes: %2")
                 .arg(m_missingSeen.size())
                 .arg(m_missingGlyphs));
    return std::move(m_result);
}

void ReportBuilder::warnOnce(const QString& key, const QString& message)
{
    if (!m_warned.contains(key)) {
        m_warned.insert(key);
        m_result.warnings << message;
    }
}

void ReportBuilder::warn(const QString& message)
{
    if (!m_warned.contains(message)) {
        m_warned.insert(message);
        m_result.warnings << message;
    }
}

DataSource* ReportBuilder::touch(const QString& name)
{
    DataSource* source = m_sources.find(name);
    if (!source) {
        warn(QStringLiteral("unknown data source \"%1\"").arg(name));
        return nullptr;
    }
    if (!m_touched.contains(source)) {
        m_touched.insert(source);
        source->aboutToRead();
        source->first();
    }
    return source;
}

QString ReportBuilder::fieldText(const QString& sourceName, const QString& field)
{
    DataSource* source = touch(sourceName);
    if (!source)
        return {};
    const int index = source->fieldIndex(field);
    // A source without rows may not know its fields (an empty JSON array).
    if (index < 0 && source->rowCount() > 0) {
        warn(QStringLiteral("unknown field \"%1\" of data source \"%2\"").arg(field, sourceName));
        return {};
    }
    const int row = source == m_bandSource ? m_bandRow : source->currentRow();
    if (row < 0 || row >= source->rowCount())
        return {};
    return formatValue(source->value(row, index));
}

qreal ReportBuilder::place(const ReportObject& object, QPointF offset, int pageNumber,
                           std::vector<Primitive>& out)
{
    if (!object.visible)
        return 0;
    const QRectF rect = object.rect.translated(offset);
    const size_t before = out.size();
    if (const auto* text = std::get_if<TextBox>(&object.item)) {
        QString resolved = text->text;
        if (hasExpressions(resolved)) {
            resolved = evaluateText(
                parseText(resolved),
                [this](const QString& s, const QString& f) { return fieldText(s, f); }, pageNumber);
        }
        FittedText fitted = fitTextBox(*text, resolved, rect);
        if (fitted.shortened)
            warnOnce(QStringLiteral("cut:") + (object.name.isEmpty() ? resolved : object.name),
                     QStringLiteral("text box \"%1\" is too small for \"%2\": it prints \"%3\"")
                         .arg(object.name, resolved, fitted.laid.text));
        out.push_back(std::move(fitted.laid));
    } else if (const auto* line = std::get_if<LineShape>(&object.item)) {
        appendLine(out, QLineF(line->from + offset, line->to + offset), line->width, line->color,
                   line->style);
    } else if (const auto* shape = std::get_if<RectShape>(&object.item)) {
        out.push_back(
            RectPrimitive{rect, shape->radius, shape->frameWidth, shape->frameColor, shape->fill});
    } else if (const auto* picture = std::get_if<Picture>(&object.item)) {
        if (!picture->image.isNull())
            out.push_back(ImagePrimitive{rect, pictureTarget(*picture, rect), picture->image});
        if (picture->frame.sides)
            appendFrame(out, rect, picture->frame);
    } else if (const auto* chart = std::get_if<BarChart>(&object.item);
               chart && chart->kind == ChartKind::Lines) {
        LineChartData data;
        if (const DataSource* source = touch(chart->source)) {
            for (const QString& field : lineChartFields(*chart))
                if (source->fieldIndex(field) < 0 && source->rowCount() > 0)
                    warn(QStringLiteral("unknown field \"%1\" of data source \"%2\"")
                             .arg(field, chart->source));
            data = lineChartData(*chart, *source);
        }
        if (data.categories.size() > limits::kChartBars)
            throw std::runtime_error(QStringLiteral("chart \"%1\": %2 points, more than %3")
                                         .arg(object.name)
                                         .arg(data.categories.size())
                                         .arg(limits::kChartBars)
                                         .toStdString());
        layoutLineChart(*chart, rect, data, out);
    } else if (const auto* chart = std::get_if<BarChart>(&object.item)) {
        std::vector<ChartPoint> points;
        if (const DataSource* source = touch(chart->source)) {
            if (source->fieldIndex(chart->valueField) < 0 && source->rowCount() > 0)
                warn(QStringLiteral("unknown field \"%1\" of data source \"%2\"")
                         .arg(chart->valueField, chart->source));
            points = chartPoints(*chart, *source);
        }
        if (points.size() > size_t(limits::kChartBars))
            throw std::runtime_error(
                QStringLiteral("chart \"%1\": %2 bars, more than %3 (use \"top\")")
                    .arg(object.name)
                    .arg(points.size())
                    .arg(limits::kChartBars)
                    .toStdString());
        layoutChart(*chart, rect, points, out);
    }
    qreal bottom = rect.bottom();
    for (size_t i = before; i < out.size(); ++i) {
        bottom = std::max(bottom, bottomOf(out[i]));
        if (const auto* t = std::get_if<TextPrimitive>(&out[i]))
            noteMissingGlyphs(*t);
    }
    return bottom;
}

BuiltPage ReportBuilder::startPage(const TemplatePage& page)
{
    if (m_pagesBuilt >= limits::kBuiltPages)
        throw std::runtime_error(QStringLiteral("the report has more than %1 pages")
                                     .arg(limits::kBuiltPages)
                                     .toStdString());
    BuiltPage built;
    built.setup = page.setup;
    built.templatePage = page.name;
    built.number = m_pagesBuilt + 1;
    for (const ReportObject& object : page.objects) {
        if (!std::holds_alternative<DataBand>(object.item))
            place(object, QPointF(), built.number, built.primitives);
    }
    return built;
}

bool ReportBuilder::beginTemplatePage()
{
    const TemplatePage& page = m_template.pages[size_t(m_next)];
    const ReportObject* bandObject = nullptr;
    for (const ReportObject& object : page.objects) {
        if (object.visible && std::holds_alternative<DataBand>(object.item)) {
            bandObject = &object;
            break;
        }
    }
    BuiltPage built = startPage(page);
    DataSource* source = bandObject ? touch(std::get<DataBand>(bandObject->item).source) : nullptr;
    if (!source) {
        ++m_next;
        emitPage(std::move(built));
        return false;
    }
    const DataBand& band = std::get<DataBand>(bandObject->item);
    if (source->rowCount() > limits::kBandRows)
        throw std::runtime_error(
            QStringLiteral("data source \"%1\": %2 rows, more than %3 for one band")
                .arg(band.source)
                .arg(source->rowCount())
                .arg(limits::kBandRows)
                .toStdString());
    m_bandObject = bandObject;
    m_bandSourceRead = source;
    m_page = std::move(built);
    m_y = bandObject->rect.top();
    m_rowsOnPage = 0;
    m_bandRow = 0;
    return true;
}

void ReportBuilder::continueBand()
{
    const TemplatePage& page = m_template.pages[size_t(m_next)];
    const ReportObject* bandObject = m_bandObject;
    const DataBand& band = std::get<DataBand>(bandObject->item);
    DataSource* source = m_bandSourceRead;
    const qreal top = bandObject->rect.top();
    const qreal bottom = band.bottom.value_or(page.setup.printableRect().height());
    m_bandSource = source;
    for (; m_bandRow < source->rowCount(); ++m_bandRow) {
        std::vector<Primitive> row;
        qreal height = bandObject->rect.height();
        for (const ReportObject& child : band.children)
            height = std::max(
                height, place(child, QPointF(bandObject->rect.left(), 0), m_page.number, row));
        const bool full = m_rowsOnPage > 0 && m_y + height > bottom + 0.01;
        if (full) {
            emitPage(std::move(m_page));
            // The page's own objects print the current row, not the band's.
            m_bandSource = nullptr;
            m_page = startPage(page);
            m_bandSource = source;
            m_y = top;
            m_rowsOnPage = 0;
            // Page numbers in the row follow the new page.
            row.clear();
            for (const ReportObject& child : band.children)
                place(child, QPointF(bandObject->rect.left(), 0), m_page.number, row);
        }
        const Translate shift{QPointF(0, m_y)};
        for (Primitive& p : row) {
            std::visit(shift, p);
            m_page.primitives.push_back(std::move(p));
        }
        m_y += height;
        ++m_rowsOnPage;
        if (full) {
            // One page per step: the next step goes on after this row.
            ++m_bandRow;
            m_bandSource = nullptr;
            return;
        }
    }
    endTemplatePage();
}

void ReportBuilder::endTemplatePage()
{
    m_bandSource = nullptr;
    m_bandRow = -1;
    m_bandSourceRead->first();
    m_bandSourceRead = nullptr;
    m_bandObject = nullptr;
    ++m_next;
    emitPage(std::move(m_page));
    m_page = BuiltPage();
}

BuildResult buildReport(const ReportTemplate& templ, const DataSources& sources,
                        const std::function<void(int)>& progress)
{
    ReportBuilder builder(templ, sources);
    int reported = 0;
    while (!builder.atEnd()) {
        builder.step();
        if (progress && builder.pagesDone() != reported)
            progress(reported = builder.pagesDone());
    }
    return builder.takeResult();
}

} // namespace hra::reportengine
