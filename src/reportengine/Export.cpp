#include "reportengine/Export.h"

#include "reportengine/internal/BuiltReport.h"
#include "reportengine/internal/PdfTextMaps.h"
#include "reportengine/internal/Units.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <map>
#include <new>

namespace hra::reportengine {

namespace {

constexpr int kPdfResolution = 1200;

} // namespace

namespace {

bool writePdf(const BuiltReport& report, const QString& path, QString* error, const QString& title)
{
    auto fail = [&](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    QByteArray pdf;
    {
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfResolution);
        writer.setCreator(QStringLiteral("hra report engine"));
        writer.setTitle(title);
        if (!report.isEmpty())
            writer.setPageLayout(report.page(0).setup.pageLayout());
        QPainter painter;
        if (!painter.begin(&writer))
            return fail(QStringLiteral("cannot start the PDF"));
        scalePainterToUnits(painter, kPdfResolution);
        for (int i = 0; i < report.pageCount(); ++i) {
            if (i > 0) {
                writer.setPageLayout(report.page(i).setup.pageLayout());
                writer.newPage();
            }
            report.paintPage(i, painter);
        }
        painter.end();
    }
    pdf = repairPdfTextMaps(pdf, report);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size() || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

} // namespace

bool exportPdf(const BuiltReport& report, const QString& path, QString* error, const QString& title)
{
    try {
        return writePdf(report, path, error, title);
    } catch (const std::bad_alloc&) {
        if (error)
            *error = QStringLiteral("out of memory while writing %1").arg(path);
        return false;
    }
}

QImage renderPage(const BuiltReport& report, int index, qreal dpi)
{
    if (index < 0 || index >= report.pageCount())
        return {};
    const QSizeF paper = report.page(index).setup.paperSize() * (dpi / kUnitsPerInch);
    QImage image(paper.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    scalePainterToUnits(painter, dpi);
    report.paintPage(index, painter);
    painter.end();
    return image;
}

QStringList exportPng(const BuiltReport& report, const QString& dir, qreal dpi,
                      const QString& prefix, QString* error)
{
    QStringList written;
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot create the folder %1").arg(dir);
        return {};
    }
    for (int i = 0; i < report.pageCount(); ++i) {
        const QString path = QDir(dir).filePath(
            QStringLiteral("%1-%2.png").arg(prefix).arg(i + 1, 3, 10, QLatin1Char('0')));
        bool saved = false;
        try {
            saved = renderPage(report, i, dpi).save(path, "PNG");
        } catch (const std::bad_alloc&) {
            saved = false;
        }
        if (!saved) {
            if (error)
                *error = QStringLiteral("cannot write %1").arg(path);
            return {};
        }
        written << path;
    }
    return written;
}

} // namespace hra::reportengine
