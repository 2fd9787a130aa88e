#include "ui/PromptService.h"

#include "ui/QtTexts.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QPushButton>
#include <stdexcept>

namespace hra::ui {

QMessageBox::StandardButton DialogPromptService::message(QWidget* parent, const QString& text,
                                                         const QString& caption,
                                                         QMessageBox::Icon icon,
                                                         QMessageBox::StandardButtons buttons,
                                                         QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    // The buttons speak Chinese whether or not Qt's translations are installed.
    const std::pair<QMessageBox::StandardButton, const char16_t*> captions[] = {
        {QMessageBox::Ok, u"确定"},
        {QMessageBox::Yes, u"是"},
        {QMessageBox::No, u"否"},
        {QMessageBox::Cancel, u"取消"}};
    for (const auto& [button, text] : captions)
        if (QAbstractButton* b = box.button(button))
            b->setText(QString::fromUtf16(text));
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    fitCaption(box);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

int DialogPromptService::choose(QWidget* parent, const QString& text, const QString& caption,
                                QMessageBox::Icon icon, const QStringList& answers,
                                int defaultAnswer, int escapeAnswer)
{
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    QList<QPushButton*> buttons;
    for (const QString& answer : answers)
        buttons << box.addButton(answer, QMessageBox::ActionRole);
    if (defaultAnswer >= 0 && defaultAnswer < buttons.size())
        box.setDefaultButton(buttons.at(defaultAnswer));
    if (escapeAnswer >= 0 && escapeAnswer < buttons.size())
        box.setEscapeButton(buttons.at(escapeAnswer));
    box.exec();
    const auto* clicked = qobject_cast<QPushButton*>(box.clickedButton());
    const qsizetype index = buttons.indexOf(const_cast<QPushButton*>(clicked));
    return index < 0 ? escapeAnswer : int(index);
}

QString DialogPromptService::openFileName(QWidget* parent, const QString& caption,
                                          const QString& directory, const QString& filter)
{
    QFileDialog dialog(parent, caption, directory, filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    useChineseDetails(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString DialogPromptService::saveFileName(QWidget* parent, const QString& caption,
                                          const QString& directory, const QString& filter)
{
    QFileDialog dialog(parent, caption, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    useChineseDetails(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString DialogPromptService::folderName(QWidget* parent, const QString& caption,
                                        const QString& directory)
{
    QFileDialog dialog(parent, caption, directory);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    useChineseDetails(dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QStringList ScriptedPromptService::messages() const
{
    QStringList out;
    for (const Record& r : m_records)
        if (r.kind == Record::Kind::Message)
            out << r.text;
    return out;
}

QMessageBox::StandardButton
ScriptedPromptService::message(QWidget*, const QString& text, const QString& caption,
                               QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                               QMessageBox::StandardButton defaultButton)
{
    m_records.push_back({Record::Kind::Message, text, caption, icon, buttons, defaultButton});
    if (!m_buttons.empty()) {
        const auto answer = m_buttons.front();
        m_buttons.pop_front();
        return answer;
    }
    for (auto b : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
        if (buttons.testFlag(b))
            return b;
    return QMessageBox::NoButton;
}

int ScriptedPromptService::choose(QWidget*, const QString& text, const QString& caption,
                                  QMessageBox::Icon icon, const QStringList& answers,
                                  int defaultAnswer, int)
{
    Record r{Record::Kind::Message, text, caption, icon, {}};
    r.answers = answers;
    r.defaultAnswer = defaultAnswer;
    m_records.push_back(r);
    if (m_choices.empty())
        return defaultAnswer;
    const QString answer = m_choices.front();
    m_choices.pop_front();
    const qsizetype index = answers.indexOf(answer);
    if (index < 0)
        throw std::logic_error("the question does not offer the scripted answer " +
                               answer.toStdString());
    return int(index);
}

QString ScriptedPromptService::openFileName(QWidget*, const QString& caption,
                                            const QString& directory, const QString&)
{
    m_records.push_back({Record::Kind::OpenFile, directory, caption, QMessageBox::NoIcon, {}});
    if (m_files.empty())
        return {};
    QString path = m_files.front();
    m_files.pop_front();
    return path;
}

QString ScriptedPromptService::saveFileName(QWidget*, const QString& caption,
                                            const QString& directory, const QString&)
{
    m_records.push_back({Record::Kind::SaveFile, directory, caption, QMessageBox::NoIcon, {}});
    if (m_files.empty())
        return {};
    QString path = m_files.front();
    m_files.pop_front();
    return path;
}

QString ScriptedPromptService::folderName(QWidget*, const QString& caption,
                                          const QString& directory)
{
    m_records.push_back({Record::Kind::Folder, directory, caption, QMessageBox::NoIcon, {}});
    if (m_files.empty())
        return {};
    QString path = m_files.front();
    m_files.pop_front();
    return path;
}

UnsavedChanges askAboutChanges(PromptService& prompts, QWidget* parent)
{
    switch (prompts.message(parent, QStringLiteral("数据已修改，是否保存?"),
                            QStringLiteral("提示信息"), QMessageBox::Question,
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                            QMessageBox::Cancel)) {
    case QMessageBox::Yes:
        return UnsavedChanges::Save;
    case QMessageBox::No:
        return UnsavedChanges::Discard;
    default:
        return UnsavedChanges::Keep;
    }
}

} // namespace hra::ui
