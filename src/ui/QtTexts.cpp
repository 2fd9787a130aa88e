#include "ui/QtTexts.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QIdentityProxyModel>
#include <QMessageBox>

namespace hra::ui {
namespace {

struct Text
{
    const char* context;
    const char* source;
    const char16_t* chinese;
};

// The texts of QAbstractFileIconProvider::type, the same words the
// catalogue gives them in the file dialog's own context.
constexpr Text kTexts[] = {
    {"QAbstractFileIconProvider", "Folder", u"文件夹"},
    {"QAbstractFileIconProvider", "File Folder", u"文件夹"},
    {"QAbstractFileIconProvider", "Drive", u"驱动器"},
    {"QAbstractFileIconProvider", "File", u"文件"},
    {"QAbstractFileIconProvider", "%1 File", u"%1 文件"},
    {"QAbstractFileIconProvider", "Alias", u"别名"},
    {"QAbstractFileIconProvider", "Shortcut", u"快捷方式"},
    {"QAbstractFileIconProvider", "Unknown", u"未知"},
};

// The file system model's date and size columns, written by the program's
// locale (QLocale::setDefault) instead of the system's.
class ChineseDetails : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (files && role == Qt::DisplayRole) {
            const QModelIndex source = mapToSource(index);
            if (index.column() == 1 && !files->isDir(source))
                return QLocale().formattedDataSize(files->size(source));
            if (index.column() == 3)
                return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

QString MissingQtTexts::translate(const char* context, const char* sourceText, const char*,
                                  int) const
{
    for (const Text& text : kTexts)
        if (qstrcmp(context, text.context) == 0 && qstrcmp(sourceText, text.source) == 0)
            return QString::fromUtf16(text.chinese);
    return {};
}

void useChineseDetails(QFileDialog& dialog)
{
    dialog.setLocale(QLocale(QLocale::Chinese, QLocale::China));
    dialog.setProxyModel(new ChineseDetails(&dialog));
}

void fitCaption(QMessageBox& box)
{
    // Room for the window's icon and the close, minimise and maximise buttons.
    constexpr int titleBarButtons = 160;
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + titleBarButtons;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace hra::ui
