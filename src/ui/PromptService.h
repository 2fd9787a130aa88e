#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

class QWidget;

namespace hra::ui {

// Every message box and file picker a window shows goes through this service,
// so that tests can see the exact text and caption and answer for the operator.
class PromptService
{
public:
    virtual ~PromptService() = default;

    // Shows a modal message box; returns the button chosen.
    // The default button is the one Enter presses (none given: the box's own).
    virtual QMessageBox::StandardButton
    message(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton) = 0;

    // A question whose answers the window names ("重新载入", "覆盖", ...): returns
    // the index of the answer chosen, escapeAnswer when the box is closed.
    virtual int choose(QWidget* parent, const QString& text, const QString& caption,
                       QMessageBox::Icon icon, const QStringList& answers, int defaultAnswer,
                       int escapeAnswer) = 0;

    // A file to open; empty when the operator cancels.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                                 const QString& filter) = 0;

    // A file to write; empty when the operator cancels.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& directory,
                                 const QString& filter) = 0;

    // A folder to write into; empty when the operator cancels.
    virtual QString folderName(QWidget* parent, const QString& caption,
                               const QString& directory) = 0;

    // Shorthands for the usual kinds.
    void information(QWidget* parent, const QString& text, const QString& caption)
    {
        message(parent, text, caption, QMessageBox::Information);
    }
    void error(QWidget* parent, const QString& text, const QString& caption)
    {
        message(parent, text, caption, QMessageBox::Critical);
    }
    bool confirm(QWidget* parent, const QString& text, const QString& caption,
                 QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No,
                 QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
    {
        const auto answer =
            message(parent, text, caption, QMessageBox::Question, buttons, defaultButton);
        return answer == QMessageBox::Yes || answer == QMessageBox::Ok;
    }
};

// What to do with changes a window holds when it is about to close.
enum class UnsavedChanges
{
    Save,    // 是: store them, then close (stay open when storing fails)
    Discard, // 否: close without them
    Keep,    // 取消 (also Escape and Enter): stay open with them
};
// Asks "数据已修改，是否保存?" with 是/否/取消, 取消 the default.
UnsavedChanges askAboutChanges(PromptService& prompts, QWidget* parent);

// The real dialogs.
class DialogPromptService : public PromptService
{
public:
    QMessageBox::StandardButton message(QWidget* parent, const QString& text,
                                        const QString& caption, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    int choose(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon,
               const QStringList& answers, int defaultAnswer, int escapeAnswer) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter) override;
    QString folderName(QWidget* parent, const QString& caption, const QString& directory) override;
};

// For tests: records every prompt and answers from a script. A message with
// no scripted answer gets the first of its buttons in the order Ok, Yes, No,
// Cancel; a question with named answers gets its default answer; a file
// prompt with no scripted answer gets an empty name.
class ScriptedPromptService : public PromptService
{
public:
    struct Record
    {
        enum class Kind
        {
            Message,
            OpenFile,
            SaveFile,
            Folder
        } kind = Kind::Message;
        QString text; // message text, or the file dialog's directory
        QString caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        // A question with named answers: them, and the default one's index.
        QStringList answers;
        int defaultAnswer = -1;
    };

    void answerMessage(QMessageBox::StandardButton button) { m_buttons.push_back(button); }
    // The next question with named answers is answered with this one; one it
    // does not offer throws std::logic_error there.
    void answerChoice(const QString& answer) { m_choices.push_back(answer); }
    void answerFile(const QString& path) { m_files.push_back(path); }

    const std::vector<Record>& records() const { return m_records; }
    // The texts of the message boxes shown so far, in order.
    QStringList messages() const;
    void clear() { m_records.clear(); }

    QMessageBox::StandardButton message(QWidget* parent, const QString& text,
                                        const QString& caption, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    int choose(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon,
               const QStringList& answers, int defaultAnswer, int escapeAnswer) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& directory,
                         const QString& filter) override;
    // Answered from the same script as the file prompts.
    QString folderName(QWidget* parent, const QString& caption, const QString& directory) override;

private:
    std::vector<Record> m_records;
    std::deque<QMessageBox::StandardButton> m_buttons;
    std::deque<QString> m_choices;
    std::deque<QString> m_files;
};

} // namespace hra::ui
