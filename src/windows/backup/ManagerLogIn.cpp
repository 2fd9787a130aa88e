#include "windows/backup/ManagerLogIn.h"

#include "domain/Operators.h"
#include "domain/Passwords.h"
#include "store/Connection.h"
#include "store/Log.h"
#include "store/Sql.h"
#include "ui/PasswordField.h"
#include "ui/PromptService.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace hra::backup {

QString managerLogInRefusal(const store::ConnectionSettings& settings, const QString& code,
                            const QString& password)
{
    if (code.trimmed().isEmpty())
        return QStringLiteral("用户名称不可为空！");
    QString error;
    const auto connection = store::Connection::open(settings, &error, QStringLiteral("hra-backup"),
                                                    store::Connection::Missing::Refuse);
    if (!connection) {
        qCWarning(store::lcStore).noquote() << "the manager's log-in found no database:" << error;
        return QStringLiteral("数据连接失败，请确认数据库及所在服务器");
    }
    try {
        const std::optional<domain::Operator> op =
            domain::logIn(connection->db(), code, password, QStringLiteral("hra-backup"));
        if (!op)
            return QStringLiteral("用户名或密码不正确，请确认");
        if (!domain::isManager(op->code))
            return QStringLiteral("只有管理员才能进行此操作!");
        return {};
    } catch (const store::DatabaseError& e) {
        qCWarning(store::lcStore).noquote() << "the manager's log-in failed:" << e.message();
    } catch (const domain::PasswordError& e) {
        qCWarning(store::lcStore) << "the manager's log-in failed:" << e.what();
    }
    return QStringLiteral("数据连接失败，请确认数据库及所在服务器");
}

ManagerLogIn::ManagerLogIn(store::ConnectionSettings settings, ui::PromptService& prompts,
                           QWidget* parent)
    : QDialog(parent), m_settings(std::move(settings)), m_prompts(prompts),
      m_code(new QLineEdit(domain::kManagerCode, this)), m_password(new QLineEdit(this))
{
    setObjectName(QStringLiteral("ManagerLogIn"));
    setWindowTitle(QStringLiteral("管理员登录"));
    m_code->setObjectName(QStringLiteral("Edt_yhdm"));
    m_password->setObjectName(QStringLiteral("Edt_mm"));
    m_password->setMaxLength(domain::kMaxPasswordLength);
    ui::showPasswordAsStars(m_password);
    auto* note =
        new QLabel(QStringLiteral("备份和恢复只能由管理员进行，请输入管理员的密码。"), this);
    note->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("用户代码："), m_code);
    form->addRow(QStringLiteral("用户密码："), m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ManagerLogIn::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_password->setFocus();
}

void ManagerLogIn::accept()
{
    const QString refusal = managerLogInRefusal(m_settings, m_code->text(), m_password->text());
    if (!refusal.isEmpty()) {
        m_prompts.information(this, refusal, QStringLiteral("提示"));
        m_password->clear();
        m_password->setFocus();
        return;
    }
    QDialog::accept();
}

} // namespace hra::backup
