#include "reportengine/fonts/Fonts.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QThread>
#include <memory>
#include <mutex>

namespace hra::reportengine {

const std::vector<FontSubstitution>& fontSubstitutions()
{
    static const std::vector<FontSubstitution> table = {
        {QStringLiteral("黑体"), QStringLiteral("Noto Sans CJK SC")},
        {QStringLiteral("SimHei"), QStringLiteral("Noto Sans CJK SC")},
        {QStringLiteral("微软雅黑"), QStringLiteral("Noto Sans CJK SC")},
        {QStringLiteral("Microsoft YaHei"), QStringLiteral("Noto Sans CJK SC")},
        {QStringLiteral("宋体"), QStringLiteral("Noto Serif CJK SC")},
        {QStringLiteral("新宋体"), QStringLiteral("Noto Serif CJK SC")},
        {QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC")},
        {QStringLiteral("NSimSun"), QStringLiteral("Noto Serif CJK SC")},
        {QStringLiteral("仿宋"), QStringLiteral("Noto Serif CJK SC")},
        {QStringLiteral("隶书"), QStringLiteral("AR PL KaitiM GB")},
        {QStringLiteral("LiSu"), QStringLiteral("AR PL KaitiM GB")},
        {QStringLiteral("楷体"), QStringLiteral("AR PL KaitiM GB")},
        {QStringLiteral("KaiTi"), QStringLiteral("AR PL KaitiM GB")},
        {QStringLiteral("方正大黑简体"), QStringLiteral("Noto Sans CJK SC"), true},
        {QStringLiteral("Arial"), QStringLiteral("Noto Sans CJK SC")},
        {QStringLiteral("Tahoma"), QStringLiteral("Noto Sans CJK SC")},
        {QStringLiteral("Times New Roman"), QStringLiteral("Noto Serif CJK SC")},
    };
    return table;
}

QString fallbackFamily()
{
    return QStringLiteral("Noto Sans CJK SC");
}

QString resolveFamily(const QString& face, bool* forceBold)
{
    if (forceBold)
        *forceBold = false;
    for (const FontSubstitution& s : fontSubstitutions()) {
        if (s.face.compare(face, Qt::CaseInsensitive) == 0) {
            if (forceBold)
                *forceBold = s.bold;
            return s.family;
        }
    }
    if (!face.isEmpty() && QFontDatabase::hasFamily(face))
        return face;
    return fallbackFamily();
}

namespace {

QFont makeFont(const QString& family, const FontStyle& style, bool bold)
{
    QFont font(family);
    font.setPixelSize(qMax(1, qRound(style.size)));
    font.setBold(bold);
    font.setItalic(style.italic);
    font.setUnderline(style.underline);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

struct StyleKey
{
    QString face;
    qreal size = 0;
    bool bold = false;
    bool italic = false;
    bool operator==(const StyleKey&) const = default;
};

size_t qHash(const StyleKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.face, key.size, key.bold, key.italic);
}

// The raw fonts one thread looked up: by family, weight and slant (one font
// database match each); by family, size, weight and slant (rawFontKey names
// these); and by template style.
struct ThreadFonts
{
    QHash<QString, QRawFont> bases;
    QHash<QString, QRawFont> sized;
    QHash<StyleKey, KeyedRawFont> styles;
};

// Font engines belong to the thread that made them, so each thread keeps
// its own raw fonts: the application's thread in a cache that goes with the
// application object (before the font engines do), a build thread in one it
// lets go when its work ends (releaseThreadFonts).
ThreadFonts& threadFonts()
{
    static ThreadFonts* appFonts = nullptr;
    thread_local std::unique_ptr<ThreadFonts> workerFonts;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || app->thread() == QThread::currentThread()) {
        if (!appFonts) {
            appFonts = new ThreadFonts;
            // The application deletes its children before its private part,
            // which holds the font engines. (Not qAddPostRoutine: Qt's list
            // of those is shared with its other threads behind a lock that
            // the thread sanitizer does not see.)
            if (app) {
                QObject::connect(new QObject(app), &QObject::destroyed, [] {
                    delete appFonts;
                    appFonts = nullptr;
                });
            }
        }
        return *appFonts;
    }
    if (!workerFonts)
        workerFonts = std::make_unique<ThreadFonts>();
    return *workerFonts;
}

QString cacheKey(const QString& family, qreal size, bool bold, bool italic)
{
    return QStringLiteral("%1|%2|%3|%4")
        .arg(family)
        .arg(size, 0, 'g', 17)
        .arg(bold ? QStringLiteral("b") : QStringLiteral("-"))
        .arg(italic ? QStringLiteral("i") : QStringLiteral("-"));
}

// One font database look-up (a fontconfig match) per family, weight and
// slant; other sizes are clones of it, which share the font file.
QRawFont baseRawFont(const QString& family, const FontStyle& style, bool bold)
{
    QHash<QString, QRawFont>& cache = threadFonts().bases;
    const QString key = cacheKey(family, 0, bold, style.italic);
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QRawFont raw = QRawFont::fromFont(makeFont(family, style, bold));
    // With no font installed at all Qt hands out a "box" engine: valid, but
    // without a character map or a family name, and it draws nothing.
    if (raw.isValid() && raw.fontTable("cmap").isEmpty())
        raw = QRawFont();
    cache.insert(key, raw);
    return raw;
}

QRawFont cachedRawFont(const QString& family, const FontStyle& style, bool bold)
{
    // Raw fonts are looked up per text box; building one is not cheap.
    QHash<QString, QRawFont>& cache = threadFonts().sized;
    const QString key = cacheKey(family, style.size, bold, style.italic);
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QRawFont raw = baseRawFont(family, style, bold);
    if (raw.isValid())
        raw.setPixelSize(style.size);
    cache.insert(key, raw);
    return raw;
}

} // namespace

QFont fontFor(const FontStyle& style)
{
    bool heavy = false;
    const QString family = resolveFamily(style.face, &heavy);
    return makeFont(family, style, style.bold || heavy);
}

KeyedRawFont keyedRawFontFor(const FontStyle& style)
{
    // Every text box asks; the answer per style is looked up once.
    QHash<StyleKey, KeyedRawFont>& cache = threadFonts().styles;
    const StyleKey key{style.face, style.size, style.bold, style.italic};
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    bool heavy = false;
    const QString family = resolveFamily(style.face, &heavy);
    KeyedRawFont found;
    found.font = cachedRawFont(family, style, style.bold || heavy);
    if (found.font.isValid())
        found.key = found.font.familyName() + u'|' + found.font.styleName() + u'|' +
                    QString::number(int(found.font.weight())) + u'|' +
                    QString::number(int(found.font.style())) + u'|' +
                    QString::number(found.font.pixelSize());
    cache.insert(key, found);
    return found;
}

QRawFont rawFontFor(const FontStyle& style)
{
    return keyedRawFontFor(style).font;
}

QRawFont fallbackRawFontFor(const FontStyle& style)
{
    bool heavy = false;
    resolveFamily(style.face, &heavy);
    return cachedRawFont(fallbackFamily(), style, style.bold || heavy);
}

namespace {

void loadFontsOf(const std::vector<ReportObject>& objects)
{
    for (const ReportObject& object : objects) {
        if (const auto* text = std::get_if<TextBox>(&object.item))
            rawFontFor(text->font);
        else if (const auto* chart = std::get_if<BarChart>(&object.item))
            rawFontFor(chart->font);
        else if (const auto* band = std::get_if<DataBand>(&object.item))
            loadFontsOf(band->children);
    }
}

} // namespace

void prepareFontDatabase()
{
    // Once per process; a thread that comes while another reads waits for it.
    // Qt's font database has a lock of its own, but it lives inside libQt6Gui
    // where the thread sanitizer does not see it: the family names two
    // threads copied out of it at once looked unguarded.
    static std::once_flag read;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        std::call_once(read, [] { QFontDatabase::families(); });
}

void loadFonts(const ReportTemplate& templ)
{
    for (const TemplatePage& page : templ.pages)
        loadFontsOf(page.objects);
}

QString rawFontKey(const QRawFont& font)
{
    if (!font.isValid())
        return {};
    const QHash<QString, QRawFont>& cache = threadFonts().sized;
    for (auto it = cache.constBegin(); it != cache.constEnd(); ++it) {
        if (it.value() == font)
            return it.key();
    }
    // Not one of ours (made by hand): described by its own properties.
    return cacheKey(font.familyName(), font.pixelSize(), font.weight() >= QFont::DemiBold,
                    font.style() != QFont::StyleNormal);
}

QRawFont rawFontForKey(const QString& key)
{
    const QStringList parts = key.split(u'|');
    if (parts.size() != 4)
        return {};
    FontStyle style;
    style.size = parts[1].toDouble();
    style.italic = parts[3] == QLatin1String("i");
    return cachedRawFont(parts[0], style, parts[2] == QLatin1String("b"));
}

void releaseThreadFonts()
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && app->thread() != QThread::currentThread())
        threadFonts() = ThreadFonts();
}

} // namespace hra::reportengine
