#include "windows/report/SectionDialog.h"

#include "store/Sql.h"
#include "ui/KeyNavigation.h"
#include "ui/Log.h"
#include "ui/PromptService.h"
#include "windows/report/AnalysisWindow.h"
#include "windows/report/ButtonRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace hra::report {

SectionDialog::SectionDialog(AnalysisWindow* analysis, ui::PromptService& prompts, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_analysis(analysis),
      m_prompts(prompts), m_name(new QLabel(this))
{
    setObjectName(QStringLiteral("TFrm_sjfxhc"));
    setWindowTitle(QStringLiteral("分析报告"));
    setAutoFillBackground(true);
    QPalette cream = palette();
    cream.setColor(QPalette::Window, QColor(0xFF, 0xFB, 0xF0));
    setPalette(cream);

    auto* note = new QLabel(QStringLiteral("系统将对下面模块进行分析："), this);
    QFont noteFont = note->font();
    noteFont.setBold(true);
    noteFont.setItalic(true);
    note->setFont(noteFont);

    m_name->setObjectName(QStringLiteral("Labl_mkmc"));
    QFont nameFont(QStringLiteral("宋体"));
    nameFont.setPixelSize(21);
    nameFont.setBold(true);
    nameFont.setUnderline(true);
    m_name->setFont(nameFont);
    QPalette blue = m_name->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    m_name->setPalette(blue);
    m_name->setAlignment(Qt::AlignCenter);

    QHBoxLayout* buttons = actionAndCloseRow(
        this, QStringLiteral("&Q 确定"), "Myspb_qd", [this] { confirm(); }, "Myspeedbutton1");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(m_name, 1);
    layout->addLayout(buttons);
    setFixedSize(288, 118);
    ui::KeyNavigation::install(this);
}

void SectionDialog::setSectionName(const QString& name)
{
    m_name->setText(name);
}

QString SectionDialog::sectionName() const
{
    return m_name->text();
}

void SectionDialog::confirm()
{
    if (!m_analysis) {
        reject();
        return;
    }
    try {
        if (m_analysis->buildSection(sectionName()) == AnalysisWindow::BuildStart::Busy)
            m_prompts.information(this, QStringLiteral("报表显示完毕后,再选择下一项!"),
                                  QStringLiteral("提示信息"));
    } catch (const store::DatabaseError&) {
        // The evaluations could not be run: the dialog stays for another try.
        m_prompts.error(this, QStringLiteral("数据分析不成功!"), QStringLiteral("出错提示"));
        return;
    }
    accept();
}

} // namespace hra::report
