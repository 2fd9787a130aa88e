#pragma once

#include "reportengine/layout/BuiltReport.h"

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QTemporaryFile>
#include <deque>
#include <memory>

namespace hra::reportengine {

// Where a spilled page lies in its spill file; its setup stays in memory so
// that a preview can lay out the pages without reading them.
struct SpilledPage
{
    PageSetup setup;
    qint64 offset = -1;
    qint64 length = 0;
};

// Built pages written to a temporary file as they are laid out, so that a
// report of thousands of pages holds only the pages in view. A build thread
// writes while the window's thread reads. The file goes when the last
// report holding its pages does.
//
// Glyph runs are stored as glyph indexes and a font key (rawFontKey): the
// thread that reads a page back paints it with its own raw fonts. Pictures
// come from the template, so each distinct image is kept once, in memory.
class PageSpill
{
public:
    PageSpill();
    PageSpill(const PageSpill&) = delete;
    PageSpill& operator=(const PageSpill&) = delete;

    // False when no temporary file could be made (errorString() says why).
    bool isOpen() const { return m_open; }
    QString errorString() const { return m_file.errorString(); }

    // Throws SpillError when the file cannot be written.
    SpilledPage write(const BuiltPage& page);
    // The page read back; the application's thread keeps the last few.
    std::shared_ptr<const BuiltPage> read(const SpilledPage& page) const;

private:
    QByteArray serialize(const BuiltPage& page);
    BuiltPage deserialize(const QByteArray& data, const PageSetup& setup) const;

    mutable QMutex m_mutex;
    mutable QTemporaryFile m_file;
    bool m_open = false;
    QStringList m_fontKeys;
    QHash<QString, int> m_fontIds;
    QHash<qint64, PictureImage> m_images; // not decoded until painted
    mutable std::deque<std::pair<qint64, std::shared_ptr<const BuiltPage>>> m_recent;
};

} // namespace hra::reportengine
