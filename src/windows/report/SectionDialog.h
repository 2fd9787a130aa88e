#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;

namespace hra::ui {
class PromptService;
}

namespace hra::report {

class AnalysisWindow;

// TFrm_sjfxhc: names the chosen section; "&Q 确定" builds it into the data
// analysis window's preview, "&C 关闭" and Escape close without building.
class SectionDialog : public QDialog
{
    Q_OBJECT
public:
    SectionDialog(AnalysisWindow* analysis, ui::PromptService& prompts, QWidget* parent = nullptr);

    void setSectionName(const QString& name);
    QString sectionName() const;
    // "&Q 确定".
    void confirm();

private:
    QPointer<AnalysisWindow> m_analysis;
    ui::PromptService& m_prompts;
    QLabel* m_name;
};

} // namespace hra::report
