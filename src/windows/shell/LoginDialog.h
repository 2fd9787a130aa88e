#pragma once

#include "windows/shell/Startup.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLineEdit;

namespace hra::ui {
class FlatButton;
}

namespace hra::app {

struct AppContext;

// Tfrm_dl: opens the database connection when shown, then identifies the
// operator. Accepted only after a successful log-in; the connection is then
// in the context and the operator's stored code in the session.
class LoginDialog : public QDialog
{
    Q_OBJECT
public:
    using DatabaseOpener = std::function<DatabaseOpening()>;

    LoginDialog(AppContext& context, DatabaseOpener openDatabase, QWidget* parent = nullptr);

    // True when the dialog ended because the database could not be reached.
    bool connectionFailed() const { return m_connectionFailed; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openConnection();
    void lookUpName();
    void logIn();
    void refuse(const QString& text);

    AppContext& m_context;
    DatabaseOpener m_openDatabase;
    QComboBox* m_code;
    QLineEdit* m_name;
    QLineEdit* m_password;
    ui::FlatButton* m_logIn;
    ui::FlatButton* m_leave;
    bool m_opened = false;
    bool m_connectionFailed = false;
    bool m_closing = false;
};

} // namespace hra::app
