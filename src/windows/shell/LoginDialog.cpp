#include "windows/shell/LoginDialog.h"

#include "domain/Operators.h"
#include "domain/Passwords.h"
#include "reportengine/Export.h"
#include "store/PrivateFiles.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/Log.h"
#include "ui/PasswordField.h"
#include "ui/PromptService.h"
#include "windows/shell/AppContext.h"
#include "windows/shell/Artwork.h"

#include <QComboBox>
#include <QCompleter>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

namespace hra::app {
namespace {

const QString kCaption = QStringLiteral("提示");
const QString kConnectionFailed = QStringLiteral("数据连接失败，请确认数据库及所在服务器");

QLabel* fieldLabel(const QString& text, QWidget* parent, int y)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(150, y, 72, 24);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont f = label->font();
    f.setPointSize(11);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: rgb(16, 64, 122); background: transparent;"));
    return label;
}

} // namespace

LoginDialog::LoginDialog(AppContext& context, DatabaseOpener openDatabase, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_context(context),
      m_openDatabase(std::move(openDatabase))
{
    setObjectName(QStringLiteral("Tfrm_dl"));
    setWindowTitle(QStringLiteral("登录"));
    setFixedSize(510, 278);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    fieldLabel(QStringLiteral("用户代码："), this, 112);
    fieldLabel(QStringLiteral("用户名称："), this, 148);
    fieldLabel(QStringLiteral("用户密码："), this, 184);

    m_code = new QComboBox(this);
    m_code->setObjectName(QStringLiteral("CombB_yhdm"));
    m_code->setEditable(true);
    m_code->setInsertPolicy(QComboBox::NoInsert);
    m_code->addItem(domain::kManagerCode);
    m_code->setCurrentIndex(-1);
    // Completion must not turn "ROOTADM" into the manager's code.
    m_code->completer()->setCaseSensitivity(Qt::CaseSensitive);
    m_code->setGeometry(226, 112, 180, 24);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("edt_xm"));
    m_name->setReadOnly(true);
    m_name->setGeometry(226, 148, 180, 24);

    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("edt_mm"));
    ui::showPasswordAsStars(m_password);
    m_password->setGeometry(226, 184, 180, 24);

    m_logIn = new ui::FlatButton(QStringLiteral("登录"), this);
    m_logIn->setObjectName(QStringLiteral("btn_dl"));
    m_logIn->setGeometry(236, 228, 72, 28);
    m_leave = new ui::FlatButton(QStringLiteral("退出"), this);
    m_leave->setObjectName(QStringLiteral("btn_tc"));
    m_leave->setGeometry(326, 228, 72, 28);
    // Enter on a focused button clicks it (buttons are auto-default in a dialog).
    for (QPushButton* b :
         {static_cast<QPushButton*>(m_logIn), static_cast<QPushButton*>(m_leave)}) {
        QFont f = b->font();
        f.setPointSize(11);
        b->setFont(f);
    }

    // Tab goes round the three boxes only (password, name, code), so that a
    // code typed and Tab lead straight to the password. The buttons are
    // clicked; Enter in the password logs in, Escape leaves.
    setTabOrder(m_password, m_name);
    setTabOrder(m_name, m_code);
    setTabOrder(m_code, m_password);
    m_logIn->setFocusPolicy(Qt::ClickFocus);
    m_leave->setFocusPolicy(Qt::ClickFocus);

    connect(m_logIn, &QPushButton::clicked, this, &LoginDialog::logIn);
    connect(m_leave, &QPushButton::clicked, this, &QDialog::reject);
    m_code->installEventFilter(this);
    if (m_code->lineEdit())
        m_code->lineEdit()->installEventFilter(this);

    ui::KeyNavigation* keys = ui::KeyNavigation::install(this);
    keys->setEnterAction(
        m_password, [this] { logIn(); }, true);
}

void LoginDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_code->setFocus(Qt::OtherFocusReason);
    if (!m_opened) {
        m_opened = true;
        // After the dialog has painted, so that a message stands in front of it.
        QTimer::singleShot(0, this, &LoginDialog::openConnection);
    }
}

void LoginDialog::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawPixmap(0, 0, artwork::loginBackground(size()));
}

void LoginDialog::openConnection()
{
    m_context.connection.reset();
    DatabaseOpening opening = m_openDatabase();
    if (!opening.connection) {
        qCWarning(ui::lcUi).noquote() << "database connection failed:" << opening.error;
        m_connectionFailed = true;
        m_context.prompts.message(
            this, opening.operatorMessage.isEmpty() ? kConnectionFailed : opening.operatorMessage,
            kCaption, QMessageBox::Critical);
        done(QDialog::Rejected);
        return;
    }
    m_context.connection = std::move(opening.connection);
    // No export or print to a file of this program may take the database's place.
    if (m_context.connection->settings().driver == store::Driver::Sqlite)
        reportengine::protectFilesFromExport(
            store::sqliteFiles(m_context.connection->settings().databaseFile));
    if (!opening.newManagerPassword.isEmpty()) {
        m_context.prompts.information(
            this,
            QStringLiteral("已新建数据库并写入基础数据。\n系统管理员代码：%1\n初始密码：%2\n"
                           "此密码只显示这一次，请记下并妥善保管。")
                .arg(domain::kManagerCode, opening.newManagerPassword),
            kCaption);
    }
    m_code->setFocus(Qt::OtherFocusReason);
}

bool LoginDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && (watched == m_code || watched == m_code->lineEdit())) {
        // Opening the drop-down list does not leave the box.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            lookUpName();
    }
    return QDialog::eventFilter(watched, event);
}

void LoginDialog::lookUpName()
{
    if (!m_context.connection) {
        m_name->clear();
        return;
    }
    try {
        m_name->setText(domain::operatorName(m_context.db(), m_code->currentText()));
    } catch (const store::DatabaseError&) {
        m_name->clear(); // the driver's text is in the store log
    }
}

void LoginDialog::refuse(const QString& text)
{
    m_context.prompts.message(this, text, kCaption, QMessageBox::Critical);
    m_code->setFocus(Qt::OtherFocusReason);
}

void LoginDialog::logIn()
{
    if (m_closing)
        return;
    if (m_code->currentText().isEmpty()) {
        refuse(QStringLiteral("用户名称不可为空！"));
        return;
    }
    if (!m_context.connection) {
        refuse(kConnectionFailed);
        return;
    }
    std::optional<domain::Operator> op;
    try {
        op = domain::logIn(m_context.db(), m_code->currentText(), m_password->text(),
                           QStringLiteral("hra"));
    } catch (const store::DatabaseError&) {
        refuse(kConnectionFailed);
        return;
    } catch (const domain::PasswordError& e) {
        qCWarning(ui::lcUi) << "a password could not be checked:" << e.what();
        refuse(kConnectionFailed);
        return;
    }
    if (!op) {
        refuse(QStringLiteral("用户名或密码不正确，请确认"));
        return;
    }
    m_context.session.currentOperatorCode = op->code;
    m_context.session.currentOperatorName = op->name;
    accept();
}

void LoginDialog::done(int result)
{
    if (m_closing)
        return;
    if (!isVisible()) {
        QDialog::done(result);
        return;
    }
    // Shrink towards the centre, then end.
    m_closing = true;
    auto* shrink = new QPropertyAnimation(this, "geometry", this);
    shrink->setDuration(300);
    shrink->setStartValue(geometry());
    shrink->setEndValue(QRect(geometry().center(), QSize(1, 1)));
    connect(shrink, &QPropertyAnimation::finished, this, [this, result] {
        QDialog::done(result);
        m_closing = false;
    });
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    shrink->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace hra::app
