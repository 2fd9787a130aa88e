#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace hra::reportengine {

enum class HAlign
{
    Left,
    Center,
    Right,
    Justify,
    Distribute
};
enum class VAlign
{
    Top,
    Center,
    Bottom
};

struct FontStyle
{
    QString face = QStringLiteral("宋体");
    qreal size = 13; // pixel height in units
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// Sides of a frame, or'ed together.
enum FrameSide
{
    FrameLeft = 1,
    FrameTop = 2,
    FrameRight = 4,
    FrameBottom = 8,
    FrameAll = 15
};

struct Frame
{
    int sides = 0;
    qreal width = 1;
    QColor color = Qt::black;
};

struct TextBox
{
    QString text; // literal text with [..] expressions
    FontStyle font;
    QColor color = Qt::black;
    QColor fill; // invalid: transparent
    Frame frame;
    HAlign halign = HAlign::Left;
    VAlign valign = VAlign::Top;
    bool wrap = true;
    bool grow = false; // height follows the text; other objects stay where they are
    // A line wider than a box that does not wrap prints smaller, down to
    // half the size, instead of cut.
    bool shrink = false;
    qreal padding = 2;
    qreal lineSpacing = 1.25; // line pitch as a multiple of the font size
};

struct LineShape
{
    QPointF from;
    QPointF to;
    qreal width = 1;
    QColor color = Qt::black;
    Qt::PenStyle style = Qt::SolidLine;
};

struct RectShape
{
    qreal radius = 0;
    qreal frameWidth = 1; // 0: no frame
    QColor frameColor = Qt::black;
    QColor fill;
};

enum class PictureMode
{
    Stretch, // fills the box, aspect ratio ignored
    Fit,     // as large as fits, aspect ratio kept, centred
    Center,  // natural size (96 dpi), centred, clipped
    TopLeft  // natural size at the top-left corner, clipped
};

// A picture's pixels. Read from a file or from JPEG bytes, only the size is
// read at load: the pixels are decoded when first drawn by a painter. A PDF
// takes a plain JPEG's bytes unchanged and never decodes it; a picture that
// is hidden or replaced (the cover) is never decoded at all.
class PictureImage
{
public:
    PictureImage() = default;
    PictureImage(QImage image) : m_image(std::move(image)) {} // NOLINT: stands for a QImage
    // A null picture when the file cannot be read as one.
    static PictureImage fromFile(const QString& path);
    // A null picture when the bytes are no picture Qt reads.
    static PictureImage fromData(const QByteArray& data);

    bool isNull() const;
    QSize size() const;
    // The pixels; decoded on first use. Null when the file turned out
    // unreadable after its size.
    const QImage& image() const;
    operator const QImage&() const { return image(); } // NOLINT: stands for a QImage
    // Tells pictures apart without decoding them: copies share their key.
    qint64 cacheKey() const;
    // The bytes of a JPEG that shows as it is stored (no turn asked for by
    // its metadata), for a PDF to embed unchanged; empty for anything else.
    QByteArray jpegData() const;

private:
    struct Decode;
    static PictureImage fromReader(const std::shared_ptr<Decode>& decode);
    QImage m_image;
    std::shared_ptr<Decode> m_decode;
};

struct Picture
{
    PictureImage image;
    PictureMode mode = PictureMode::Stretch;
    Frame frame;
};

enum class SortOrder
{
    None,
    Ascending,
    Descending
};

enum class ChartKind
{
    Bars,
    Lines // one line per value field, over the rows in their order
};

// A bar chart, or a line chart of one or more series.
struct BarChart
{
    ChartKind kind = ChartKind::Bars;
    QString source;
    QString categoryField;
    QString valueField; // lines: several fields separated by commas
    SortOrder sort = SortOrder::None;
    int top = 0; // at most this many bars after sorting; 0: all
    QList<QColor> colors;
    bool colorEach = false; // each bar its own colour
    bool valueLabels = false;
    std::optional<int> decimals; // value labels rounded to this many places
    std::optional<qreal> axisMin;
    std::optional<qreal> axisMax;
    // The smallest tick step; the axis steps by whole multiples of it (an
    // axis of grades or counts has no ticks between whole numbers).
    std::optional<qreal> axisStep;
    // The grid lines across the plot: solid, dashed or dotted.
    Qt::PenStyle gridStyle = Qt::SolidLine;
    QString seriesTitle;
    bool legend = false;
    FontStyle font{QStringLiteral("宋体"), 11};
    QColor background = Qt::white;
    Frame frame;
};

struct ReportObject;

// Repeats its children once per row of a data source, stacking the rows
// downwards from the band's top and starting a new page (with the page's
// other objects) when the next row would pass `bottom`.
struct DataBand
{
    QString source;
    std::optional<qreal> bottom; // default: bottom of the printable area
    std::vector<ReportObject> children;
};

using ObjectItem = std::variant<TextBox, LineShape, RectShape, Picture, BarChart, DataBand>;

struct ReportObject
{
    QString name;
    QRectF rect; // in units, relative to the printable area (to the row for band children)
    bool visible = true;
    ObjectItem item;
};

struct PageSetup
{
    QPageSize size = QPageSize(QPageSize::A4);
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF marginsMm{10, 10, 10, 10};

    QPageLayout pageLayout() const;
    QSizeF paperSize() const;     // units
    QRectF printableRect() const; // units, in paper coordinates
};

struct TemplatePage
{
    QString name;
    PageSetup setup;
    std::vector<ReportObject> objects;
};

struct ReportTemplate
{
    std::vector<TemplatePage> pages;

    bool isEmpty() const { return pages.empty(); }
    // First object of that name on any page (band children included).
    ReportObject* findObject(const QString& name);
    const ReportObject* findObject(const QString& name) const;
};

} // namespace hra::reportengine
