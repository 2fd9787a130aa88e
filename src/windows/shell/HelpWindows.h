#pragma once

#include "reportengine/widgets/PreviewDialog.h"

#include <QDialog>
#include <memory>

class QTextBrowser;

namespace hra::ui {
class PromptService;
}

namespace hra::app {

// "评估帮助": the user guide (HTML) in a window of the program, so that it
// opens where no external viewer is installed.
class GuideWindow : public QDialog
{
    Q_OBJECT
public:
    GuideWindow(const QString& htmlFile, QWidget* parent = nullptr);
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

// "健康问卷": the blank questionnaire in the report preview, to print or
// export as PDF.
class PaperQuestionnairePreview : public reportengine::PreviewDialog
{
    Q_OBJECT
public:
    PaperQuestionnairePreview(ui::PromptService& prompts,
                              std::unique_ptr<reportengine::Report> report,
                              QWidget* parent = nullptr);

protected:
    QString askPdfPath() override;
    void pdfExported(bool ok, const QString& error) override;
    void buildFailed(const QString& error) override;
    void printFailed(const QString& error) override;

private:
    ui::PromptService& m_prompts;
};

} // namespace hra::app
