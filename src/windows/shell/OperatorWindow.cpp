#include "windows/shell/OperatorWindow.h"

#include "domain/Operators.h"
#include "domain/Passwords.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/Log.h"
#include "ui/PasswordField.h"
#include "ui/PromptService.h"
#include "ui/TabIcons.h"
#include "windows/shell/AppContext.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace hra::app {
namespace {

const QString kCaption = QStringLiteral("提示信息");
const QString kCaptionBang = QStringLiteral("提示信息！");
const QString kCaptionAscii = QStringLiteral("提示信息!");
const QString kDialogCaption = QStringLiteral("提示！");

ui::FlatButton* button(const QString& caption, const QString& name, QWidget* parent)
{
    auto* b = new ui::FlatButton(caption, parent);
    b->setObjectName(name);
    b->setMinimumWidth(80);
    return b;
}

QLineEdit* edit(const QString& name, QWidget* parent, bool password = false)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    if (password)
        ui::showPasswordAsStars(e);
    return e;
}

void paintBackground(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

} // namespace

OperatorWindow::OperatorWindow(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_pages(new QTabWidget(this))
{
    setObjectName(QStringLiteral("Tfrm_ryxx"));
    setWindowTitle(QStringLiteral("用户和密码"));
    setModal(true);
    setFixedSize(515, 393);
    paintBackground(this, QColor(204, 236, 204));

    m_pages->addTab(buildList(), QStringLiteral("    编  辑  用  户  "));
    m_pages->addTab(buildPassword(), QStringLiteral(" 更  改  密  码   "));
    ui::followActiveTab(m_pages);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    ui::KeyNavigation::install(this);

    reload();
    m_code->setText(m_context.session.currentOperatorCode);
    m_pages->setCurrentIndex(0);
    if (!domain::isManager(m_context.session.currentOperatorCode)) {
        m_pages->setTabVisible(0, false);
        m_pages->setCurrentIndex(1);
    }
}

QWidget* OperatorWindow::buildList()
{
    m_listTab = new QWidget;
    m_list = new QTableWidget(0, 3, m_listTab);
    m_list->setObjectName(QStringLiteral("DBGrid1"));
    m_list->setHorizontalHeaderLabels(
        {QStringLiteral("用户代码"), QStringLiteral("用户名称"), QStringLiteral("权限")});
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->horizontalHeader()->resizeSection(0, 130);
    m_list->horizontalHeader()->resizeSection(1, 170);

    auto* add = button(QStringLiteral("&A 增加"), QStringLiteral("Myspb_zj"), m_listTab);
    auto* modify = button(QStringLiteral("&M 修改"), QStringLiteral("Myspb_xg"), m_listTab);
    auto* remove = button(QStringLiteral("&D 删除"), QStringLiteral("Myspb_sc"), m_listTab);
    auto* close = button(QStringLiteral("&C 关闭"), QStringLiteral("Myspb_gb"), m_listTab);
    connect(add, &QPushButton::clicked, this, &OperatorWindow::addOperator);
    connect(modify, &QPushButton::clicked, this, &OperatorWindow::modifyOperator);
    connect(remove, &QPushButton::clicked, this, &OperatorWindow::deleteOperator);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    for (QWidget* b : {add, modify, remove, close})
        buttons->addWidget(b);

    auto* layout = new QVBoxLayout(m_listTab);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    return m_listTab;
}

QWidget* OperatorWindow::buildPassword()
{
    auto* page = new QWidget;
    auto* group = new QGroupBox(QStringLiteral("更改密码"), page);
    m_code = edit(QStringLiteral("Edt_yhdm"), group);
    m_code->setEnabled(false);
    m_old = edit(QStringLiteral("Edt_ymm"), group, true);
    m_new = edit(QStringLiteral("Edt_xmm"), group, true);
    m_confirm = edit(QStringLiteral("Edt_qrmm"), group, true);
    m_new->setMaxLength(12);
    m_confirm->setMaxLength(12);
    auto* form = new QFormLayout(group);
    form->setContentsMargins(60, 24, 60, 24);
    form->setVerticalSpacing(14);
    form->addRow(QStringLiteral("用户代码:"), m_code);
    form->addRow(QStringLiteral("原密码:"), m_old);
    form->addRow(QStringLiteral("新密码:"), m_new);
    form->addRow(QStringLiteral("确认新密码:"), m_confirm);

    auto* change = button(QStringLiteral("&M 修改"), QStringLiteral("Myspb_xgmm"), page);
    auto* close = button(QStringLiteral("&C 关闭"), QStringLiteral("Myspb_gb2"), page);
    connect(change, &QPushButton::clicked, this, &OperatorWindow::changePassword);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(change);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    layout->addLayout(buttons);
    return page;
}

void OperatorWindow::reload()
{
    QList<domain::Operator> operators;
    try {
        operators = domain::listOperators(m_context.db());
    } catch (const store::DatabaseError&) {
        // Logged where it failed; the list stays empty.
    }
    m_list->setRowCount(int(operators.size()));
    for (int i = 0; i < operators.size(); ++i) {
        const domain::Operator& op = operators.at(i);
        m_list->setItem(i, 0, new QTableWidgetItem(op.code));
        m_list->setItem(i, 1, new QTableWidgetItem(op.name));
        m_list->setItem(i, 2, new QTableWidgetItem(op.permissions));
    }
    if (!operators.isEmpty())
        m_list->selectRow(0);
}

QString OperatorWindow::selectedCode() const
{
    const int row = m_list->currentRow();
    const QTableWidgetItem* item = row >= 0 ? m_list->item(row, 0) : nullptr;
    return item ? item->text() : QString();
}

void OperatorWindow::addOperator()
{
    OperatorDialog dialog(m_context, QString(), QString(), this);
    if (dialog.exec() == QDialog::Accepted)
        reload();
}

void OperatorWindow::modifyOperator()
{
    const int row = m_list->currentRow();
    if (row < 0 || !m_list->item(row, 0))
        return;
    OperatorDialog dialog(m_context, m_list->item(row, 0)->text(), m_list->item(row, 1)->text(),
                          this);
    if (dialog.exec() == QDialog::Accepted)
        reload();
}

void OperatorWindow::deleteOperator()
{
    const QString code = selectedCode();
    const QString question =
        code.isEmpty() ? QStringLiteral("您确实要删除该项记录吗?")
                       : QStringLiteral("您确实要删除该项记录吗?\n\n操作员代码：%1").arg(code);
    if (!m_context.prompts.confirm(this, question, kCaption, QMessageBox::Yes | QMessageBox::No,
                                   QMessageBox::No))
        return;
    const QString gone = QStringLiteral("该病人记录该项记录已全删除或删除不成功！");
    if (code.isEmpty() && m_list->currentRow() < 0) {
        m_context.prompts.information(this, gone, kCaptionBang);
        return;
    }
    domain::DeleteOperatorResult result = domain::DeleteOperatorResult::NotFound;
    try {
        result = domain::deleteOperator(m_context.db(), code);
    } catch (const store::DatabaseError&) {
    }
    switch (result) {
    case domain::DeleteOperatorResult::Deleted:
        m_context.prompts.information(this, QStringLiteral("删除成功！"), kCaptionBang);
        break;
    case domain::DeleteOperatorResult::RefusedManager:
        m_context.prompts.message(this, domain::kRefuseDeleteManager, kCaptionBang,
                                  QMessageBox::Warning);
        break;
    case domain::DeleteOperatorResult::RefusedLast:
        m_context.prompts.message(this, domain::kRefuseDeleteLast, kCaptionBang,
                                  QMessageBox::Warning);
        break;
    case domain::DeleteOperatorResult::NotFound:
        m_context.prompts.information(this, gone, kCaptionBang);
        break;
    }
    reload();
}

void OperatorWindow::changePassword()
{
    const QString code = m_code->text();
    bool matches = false;
    try {
        matches = domain::passwordMatches(m_context.db(), code, m_old->text());
    } catch (const store::DatabaseError&) {
    }
    if (!matches) {
        m_context.prompts.information(this, QStringLiteral("原密码不正确,请重新输入!"),
                                      kCaptionAscii);
        m_old->setFocus();
        return;
    }
    if (m_new->text() != m_confirm->text()) {
        m_context.prompts.information(this, QStringLiteral("两次密码不一致,请重新输入!"),
                                      kCaptionAscii);
        m_new->setFocus();
        return;
    }
    bool changed = false;
    try {
        changed = domain::changePassword(m_context.db(), code, m_old->text(), m_new->text()) ==
                  domain::PasswordChange::Changed;
    } catch (const domain::OperatorRuleError& e) {
        m_context.prompts.information(this, e.message(), kCaptionAscii);
        m_new->setFocus();
        return;
    } catch (const store::DatabaseError&) {
    } catch (const domain::PasswordError& e) {
        qCWarning(ui::lcUi) << "a password could not be changed:" << e.what();
    }
    if (changed)
        m_context.prompts.information(this, QStringLiteral("密码修改成功!"), kCaptionAscii);
    else
        m_context.prompts.error(this, QStringLiteral("密码修改失败!"), QStringLiteral("出错提示!"));
    close();
}

void OperatorWindow::closeEvent(QCloseEvent* event)
{
    for (QLineEdit* box : {m_code, m_old, m_new, m_confirm})
        box->clear();
    QDialog::closeEvent(event);
}

OperatorDialog::OperatorDialog(AppContext& context, const QString& originalCode,
                               const QString& name, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_context(context),
      m_originalCode(originalCode), m_code(edit(QStringLiteral("Edt_yhdm"), this)),
      m_name(edit(QStringLiteral("Edt_yhmc"), this)),
      m_password(edit(QStringLiteral("Edt_mm"), this, true)),
      m_confirm(edit(QStringLiteral("Edt_qrmm"), this, true)),
      m_confirmButton(button(QStringLiteral("&Q 确定"), QStringLiteral("Myspb_qd"), this)),
      m_saveButton(button(QStringLiteral("&S 保存"), QStringLiteral("Myspb_bc"), this))
{
    setObjectName(QStringLiteral("Tfrm_zjyh"));
    setWindowTitle(isAdding() ? QStringLiteral("增加用户") : QStringLiteral("修改用户"));
    setModal(true);
    setFixedSize(270, 218);
    paintBackground(this, QColor(205, 254, 186));
    setStyleSheet(QStringLiteral("QDialog#Tfrm_zjyh { border: 1px solid #5a8a4a; }"));

    m_code->setText(originalCode);
    m_name->setText(name);
    // Only the manager reaches this dialog: modifying, he may give the
    // operator a new password (typed twice) or leave both boxes empty.
    if (!isAdding())
        for (QLineEdit* box : {m_password, m_confirm})
            box->setPlaceholderText(QStringLiteral("不修改请留空"));
    m_confirmButton->setVisible(isAdding());
    m_saveButton->setVisible(!isAdding());
    auto* close = button(QStringLiteral("&C 关闭"), QStringLiteral("Myspb_gb"), this);
    connect(m_confirmButton, &QPushButton::clicked, this, &OperatorDialog::confirm);
    connect(m_saveButton, &QPushButton::clicked, this, &OperatorDialog::save);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("用户代码"), m_code);
    form->addRow(QStringLiteral("用  户  名"), m_name);
    form->addRow(QStringLiteral("密        码"), m_password);
    form->addRow(QStringLiteral("确认密码"), m_confirm);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_confirmButton);
    buttons->addWidget(m_saveButton);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(windowTitle(), this));
    layout->addLayout(form);
    layout->addLayout(buttons);

    auto* keys = ui::KeyNavigation::install(this);
    if (isAdding())
        keys->setEnterAction(m_confirm, [this] { confirm(); });
    m_code->setFocus();
}

bool OperatorDialog::passwordsAgree()
{
    if (m_password->text() == m_confirm->text())
        return true;
    m_context.prompts.message(this, QStringLiteral("输入的密码不一致，请重新输入！"),
                              kDialogCaption, QMessageBox::NoIcon);
    m_password->clear();
    m_confirm->clear();
    m_password->setFocus();
    return false;
}

void OperatorDialog::confirm()
{
    if (!passwordsAgree())
        return;
    try {
        domain::addOperator(m_context.db(), m_code->text(), m_name->text(), m_password->text());
    } catch (const store::DatabaseError&) {
        m_context.prompts.error(this, QStringLiteral("数据保存失败！"), kDialogCaption);
        return;
    } catch (const domain::PasswordError& e) {
        qCWarning(ui::lcUi) << "an operator could not be added:" << e.what();
        m_context.prompts.error(this, QStringLiteral("数据保存失败！"), kDialogCaption);
        return;
    } catch (const domain::OperatorRuleError& e) {
        m_context.prompts.information(this, e.message(), kDialogCaption);
        return;
    }
    m_context.prompts.information(this, QStringLiteral("数据保存成功！"), kDialogCaption);
    for (QLineEdit* box : {m_code, m_name, m_password, m_confirm})
        box->clear();
    accept();
}

void OperatorDialog::save()
{
    // Typed into both password boxes, a new password replaces a forgotten one;
    // left empty, the password stays.
    std::optional<QString> newPassword;
    if (!m_password->text().isEmpty() || !m_confirm->text().isEmpty()) {
        if (!passwordsAgree())
            return;
        newPassword = m_password->text();
    }
    bool saved = false;
    try {
        saved = domain::modifyOperator(m_context.db(), m_originalCode, m_code->text(),
                                       m_name->text(), newPassword);
    } catch (const domain::OperatorRuleError& e) {
        m_context.prompts.information(this, e.message(), kCaptionBang);
        return;
    } catch (const store::DatabaseError&) {
    } catch (const domain::PasswordError& e) {
        qCWarning(ui::lcUi) << "an operator could not be changed:" << e.what();
    }
    if (!saved) {
        m_context.prompts.error(this, QStringLiteral("您的数据未完成保存！"), kCaptionBang);
        return;
    }
    m_context.prompts.information(this, QStringLiteral("您的数据已完成保存！"), kCaptionBang);
    accept();
}

} // namespace hra::app
