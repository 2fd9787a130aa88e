#include "reportengine/layout/BuiltReport.h"

#include "reportengine/common/Units.h"
#include "reportengine/layout/PageSpill.h"

#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <algorithm>
#include <stdexcept>

namespace hra::reportengine {

namespace {

void paintFrame(QPainter& p, const QRectF& r, const Frame& frame)
{
    if (!frame.sides || frame.width <= 0)
        return;
    QPen pen(frame.color, frame.width);
    pen.setCapStyle(Qt::SquareCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (frame.sides == FrameAll) {
        p.drawRect(r);
        return;
    }
    if (frame.sides & FrameLeft)
        p.drawLine(r.topLeft(), r.bottomLeft());
    if (frame.sides & FrameTop)
        p.drawLine(r.topLeft(), r.topRight());
    if (frame.sides & FrameRight)
        p.drawLine(r.topRight(), r.bottomRight());
    if (frame.sides & FrameBottom)
        p.drawLine(r.bottomLeft(), r.bottomRight());
}

// Whether clipping a text box to its rectangle would cut nothing: every
// glyph's advance and the font's ascent and descent, with a tenth of an em
// to spare, and every underline lie inside. A clip costs the PDF writer a
// clip path per box, and most boxes never need one. Slanted text, which
// leans past its advances, is always clipped.
bool clipCutsNothing(const TextPrimitive& t)
{
    const QRectF inside = t.rect.translated(-t.origin);
    for (const GlyphRunText& run : t.runs) {
        const QRawFont font = run.run.rawFont();
        const QList<QPointF> at = run.run.positions();
        if (at.isEmpty())
            continue;
        if (font.style() != QFont::StyleNormal)
            return false;
        const qreal spare = font.pixelSize() / 10;
        qreal left = at.first().x();
        qreal top = at.first().y();
        qreal bottom = top;
        for (const QPointF& p : at) {
            left = std::min(left, p.x());
            top = std::min(top, p.y());
            bottom = std::max(bottom, p.y());
        }
        const QRectF ink(QPointF(left - spare, top - font.ascent() - spare),
                         QPointF(std::max(run.end, left) + spare, bottom + font.descent() + spare));
        if (!inside.contains(ink))
            return false;
    }
    for (const QLineF& line : t.underlines) {
        const qreal half = t.underlineWidth / 2 + 1;
        if (!inside.contains(
                QRectF(line.p1(), line.p2()).normalized().adjusted(-half, -half, half, half)))
            return false;
    }
    return true;
}

} // namespace

bool textNeedsClip(const TextPrimitive& t)
{
    return t.clip && !clipCutsNothing(t);
}

namespace {

struct PrimitivePainter
{
    QPainter& p;

    void operator()(const TextPrimitive& t) const
    {
        if (t.fill.isValid() && t.fill.alpha() > 0)
            p.fillRect(t.rect, t.fill);
        if (!t.runs.isEmpty()) {
            // Without a clip there is nothing to undo afterwards: every
            // primitive sets the pen it draws with.
            const bool clip = textNeedsClip(t);
            if (clip) {
                p.save();
                p.setClipRect(t.rect, Qt::IntersectClip);
            }
            p.setPen(t.color);
            for (const GlyphRunText& run : t.runs)
                p.drawGlyphRun(t.origin, run.run);
            if (!t.underlines.isEmpty()) {
                p.setPen(QPen(t.color, t.underlineWidth, Qt::SolidLine, Qt::FlatCap));
                QList<QLineF> lines = t.underlines;
                for (QLineF& line : lines)
                    line.translate(t.origin);
                p.drawLines(lines);
            }
            if (clip)
                p.restore();
        }
        paintFrame(p, t.rect, t.frame);
    }

    void operator()(const LinePrimitive& l) const
    {
        if (l.width <= 0)
            return;
        QPen pen(l.color, l.width, l.style);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.drawLine(l.line);
    }

    void operator()(const RectPrimitive& r) const
    {
        p.setBrush(r.fill.isValid() ? QBrush(r.fill) : QBrush(Qt::NoBrush));
        if (r.frameWidth > 0 && r.frameColor.isValid())
            p.setPen(QPen(r.frameColor, r.frameWidth));
        else
            p.setPen(Qt::NoPen);
        if (r.radius > 0)
            p.drawRoundedRect(r.rect, r.radius, r.radius);
        else
            p.drawRect(r.rect);
    }

    void operator()(const ImagePrimitive& i) const
    {
        if (i.image.isNull())
            return;
        p.save();
        p.setClipRect(i.box, Qt::IntersectClip);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(i.target, i.image);
        p.restore();
    }
};

} // namespace

void paintPage(const BuiltPage& page, QPainter& painter)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(page.setup.printableRect().topLeft());
    const PrimitivePainter paint{painter};
    for (const Primitive& primitive : page.primitives)
        std::visit(paint, primitive);
    painter.restore();
}

QString pageText(const BuiltPage& page)
{
    QStringList lines;
    for (const Primitive& primitive : page.primitives) {
        if (const auto* text = std::get_if<TextPrimitive>(&primitive))
            lines << text->text;
    }
    return lines.join(u'\n');
}

const BuiltPage& BuiltReport::page(int index) const
{
    const Entry& entry = m_entries.at(size_t(index));
    if (!entry.page)
        throw std::logic_error("BuiltReport::page: the page is spilled, use pageAt()");
    return *entry.page;
}

std::shared_ptr<const BuiltPage> BuiltReport::pageAt(int index) const
{
    if (index < 0 || index >= pageCount())
        return {};
    const Entry& entry = m_entries[size_t(index)];
    if (entry.page)
        return entry.page;
    return m_spill->read(SpilledPage{entry.setup, entry.offset, entry.length});
}

void BuiltReport::appendPage(BuiltPage page)
{
    Entry entry;
    entry.setup = page.setup;
    entry.page = std::make_shared<const BuiltPage>(std::move(page));
    m_entries.push_back(std::move(entry));
}

void BuiltReport::appendSpilled(const std::shared_ptr<PageSpill>& spill, const SpilledPage& page)
{
    if (m_spill && m_spill != spill)
        throw std::logic_error("BuiltReport: pages of two spill files");
    m_spill = spill;
    m_entries.push_back(Entry{page.setup, nullptr, page.offset, page.length});
}

void BuiltReport::appendFrom(const BuiltReport& other, int from)
{
    if (other.m_spill)
        m_spill = other.m_spill;
    for (int i = std::max(0, from); i < other.pageCount(); ++i)
        m_entries.push_back(other.m_entries[size_t(i)]);
}

void BuiltReport::paintPage(int index, QPainter& painter) const
{
    if (const auto page = pageAt(index))
        reportengine::paintPage(*page, painter);
}

QString BuiltReport::pageText(int index) const
{
    const auto page = pageAt(index);
    return page ? reportengine::pageText(*page) : QString();
}

void appendLine(std::vector<Primitive>& out, const QLineF& line, qreal width, const QColor& color,
                Qt::PenStyle style)
{
    LinePrimitive l;
    l.line = line;
    l.width = width;
    l.color = color;
    l.style = style;
    out.emplace_back(std::move(l));
}

void appendFrame(std::vector<Primitive>& out, const QRectF& rect, const Frame& frame)
{
    TextPrimitive t;
    t.rect = rect;
    t.origin = rect.topLeft();
    t.frame = frame;
    t.clip = false;
    out.emplace_back(std::move(t));
}

void scalePainterToUnits(QPainter& painter, qreal dpi)
{
    const qreal s = dpi / kUnitsPerInch;
    painter.scale(s, s);
}

} // namespace hra::reportengine
