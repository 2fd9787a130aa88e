#include "reportengine/widgets/PreviewDialog.h"

#include "reportengine/Export.h"
#include "reportengine/Report.h"
#include "reportengine/widgets/ReportPreview.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace hra::reportengine {

PreviewDialog::PreviewDialog(std::unique_ptr<Report> report, QWidget* parent,
                             const ButtonFactory& makeButton)
    : QDialog(parent), m_report(std::move(report)), m_preview(new ReportPreview(this))
{
    setWindowTitle(QStringLiteral("打印预览"));
    m_preview->setReport(m_report->built());

    auto button = [&](const QString& caption, const char* name) {
        QPushButton* b = makeButton ? makeButton(caption, this) : new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* print = button(QStringLiteral("&P 打印"), "print");
    QPushButton* pdf = button(QStringLiteral("&E 导出PDF"), "exportPdf");
    QPushButton* close = button(QStringLiteral("&C 关闭"), "close");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addWidget(pdf);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_preview, 1);
    connect(print, &QPushButton::clicked, m_preview, &ReportPreview::print);
    connect(pdf, &QPushButton::clicked, this, &PreviewDialog::exportPdf);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(1180, 820);
}

PreviewDialog::~PreviewDialog() = default;

void PreviewDialog::exportPdf()
{
    const QString path = askPdfPath();
    if (path.isEmpty())
        return;
    QString error;
    const bool ok = reportengine::exportPdf(m_report->built(), path, &error, pdfTitle());
    pdfExported(ok, error);
}

} // namespace hra::reportengine
