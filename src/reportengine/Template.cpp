#include "reportengine/internal/Template.h"

#include "reportengine/internal/Units.h"

namespace hra::reportengine {

QPageLayout PageSetup::pageLayout() const
{
    return QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

QSizeF PageSetup::paperSize() const
{
    QSizeF mm = size.size(QPageSize::Millimeter);
    if (orientation == QPageLayout::Landscape)
        mm.transpose();
    return mm * kUnitsPerMm;
}

QRectF PageSetup::printableRect() const
{
    const QSizeF paper = paperSize();
    return QRectF(QPointF(mmToUnits(marginsMm.left()), mmToUnits(marginsMm.top())),
                  QPointF(paper.width() - mmToUnits(marginsMm.right()),
                          paper.height() - mmToUnits(marginsMm.bottom())));
}

namespace {

template <typename Objects>
auto findIn(Objects& objects, const QString& name) -> decltype(&objects.front())
{
    for (auto& object : objects) {
        if (object.name == name)
            return &object;
        if (auto* band = std::get_if<DataBand>(&object.item)) {
            if (auto* found = findIn(band->children, name))
                return found;
        }
    }
    return nullptr;
}

} // namespace

ReportObject* ReportTemplate::findObject(const QString& name)
{
    for (TemplatePage& page : pages) {
        if (ReportObject* found = findIn(page.objects, name))
            return found;
    }
    return nullptr;
}

const ReportObject* ReportTemplate::findObject(const QString& name) const
{
    return const_cast<ReportTemplate*>(this)->findObject(name);
}

} // namespace hra::reportengine
