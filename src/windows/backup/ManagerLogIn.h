#pragma once

#include "store/Settings.h"

#include <QDialog>
#include <QString>

class QLineEdit;

namespace hra::ui {
class PromptService;
}

namespace hra::backup {

// Why these typed values do not let the backup program run, in the words the
// operator reads, or empty when they are the manager's: a restore replaces
// the whole centre's data, so only the manager may start one. The attempt
// goes to the operation log either way.
QString managerLogInRefusal(const store::ConnectionSettings& settings, const QString& code,
                            const QString& password);

// The log-in hra-backup asks for before its window opens: the manager's code
// and password, asked again until they are right or the operator gives up.
class ManagerLogIn : public QDialog
{
    Q_OBJECT

public:
    ManagerLogIn(store::ConnectionSettings settings, ui::PromptService& prompts,
                 QWidget* parent = nullptr);

    void accept() override;

private:
    store::ConnectionSettings m_settings;
    ui::PromptService& m_prompts;
    QLineEdit* m_code;
    QLineEdit* m_password;
};

} // namespace hra::backup
