#include "windows/shell/HelpWindows.h"

#include "reportengine/Report.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/Log.h"
#include "ui/PromptService.h"

#include <QHBoxLayout>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace hra::app {

GuideWindow::GuideWindow(const QString& htmlFile, QWidget* parent)
    : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("TFrm_pgbz"));
    setWindowTitle(QStringLiteral("评估帮助"));
    setWindowFlag(Qt::Window);
    m_browser->setObjectName(QStringLiteral("guide"));
    // Links inside the guide stay here; links out of it go to the desktop.
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(QUrl::fromLocalFile(htmlFile));
    auto* close = new ui::FlatButton(QStringLiteral("&C 关闭"), this);
    close->setObjectName(QStringLiteral("Btn_close"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 1);
    layout->addLayout(buttons);
    resize(900, 680);
    ui::KeyNavigation::install(this);
}

PaperQuestionnairePreview::PaperQuestionnairePreview(ui::PromptService& prompts,
                                                     std::unique_ptr<reportengine::Report> report,
                                                     QWidget* parent)
    : PreviewDialog(std::move(report), parent,
                    [](const QString& caption, QWidget* owner) {
                        return new ui::FlatButton(caption, owner);
                    }),
      m_prompts(prompts)
{
    setObjectName(QStringLiteral("paperQuestionnaire"));
    setWindowTitle(QStringLiteral("健康问卷"));
    setWindowFlag(Qt::Window);
    resize(900, 680);
    ui::KeyNavigation::install(this);
}

QString PaperQuestionnairePreview::askPdfPath()
{
    return m_prompts.saveFileName(this, QStringLiteral("导出PDF"), QStringLiteral("jkpg_xxdc.pdf"),
                                  QStringLiteral("PDF 文件 (*.pdf)"));
}

void PaperQuestionnairePreview::pdfExported(bool ok, const QString& error)
{
    if (ok)
        m_prompts.information(this, QStringLiteral("导出成功!"), QStringLiteral("提示信息"));
    else
        m_prompts.error(this, QStringLiteral("导出不成功!%1").arg(error),
                        QStringLiteral("出错提示"));
}

void PaperQuestionnairePreview::buildFailed(const QString& error)
{
    qCWarning(ui::lcUi).noquote() << "printable questionnaire:" << error;
    m_prompts.error(this, QStringLiteral("健康问卷生成不成功!"), QStringLiteral("出错提示"));
}

void PaperQuestionnairePreview::printFailed(const QString& error)
{
    m_prompts.error(this, QStringLiteral("打印不成功!%1").arg(error), QStringLiteral("出错提示"));
}

} // namespace hra::app
