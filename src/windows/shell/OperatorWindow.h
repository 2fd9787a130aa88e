#pragma once

#include <QDialog>

class QLineEdit;
class QTableWidget;
class QTabWidget;

namespace hra::ui {
class FlatButton;
}

namespace hra::app {

struct AppContext;

// Tfrm_ryxx "用户和密码": the manager keeps the operator list; every operator
// changes his own password.
class OperatorWindow : public QDialog
{
    Q_OBJECT
public:
    explicit OperatorWindow(AppContext& context, QWidget* parent = nullptr);

    void addOperator();
    void modifyOperator();
    void deleteOperator();
    void changePassword();
    void reload();

    QTabWidget* pages() const { return m_pages; }
    QWidget* listTab() const { return m_listTab; }
    QTableWidget* list() const { return m_list; }
    QLineEdit* codeBox() const { return m_code; }
    QLineEdit* oldPasswordBox() const { return m_old; }
    QLineEdit* newPasswordBox() const { return m_new; }
    QLineEdit* confirmBox() const { return m_confirm; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildList();
    QWidget* buildPassword();
    // The code of the selected row, or empty.
    QString selectedCode() const;

    AppContext& m_context;
    QTabWidget* m_pages;
    QWidget* m_listTab = nullptr;
    QTableWidget* m_list = nullptr;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_old = nullptr;
    QLineEdit* m_new = nullptr;
    QLineEdit* m_confirm = nullptr;
};

// Tfrm_zjyh: adds an operator ("增加用户") or changes the code and name of one
// ("修改用户").
class OperatorDialog : public QDialog
{
    Q_OBJECT
public:
    // Adding when originalCode is empty.
    OperatorDialog(AppContext& context, const QString& originalCode, const QString& name,
                   QWidget* parent = nullptr);

    bool isAdding() const { return m_originalCode.isEmpty(); }
    void confirm(); // "&Q 确定"
    void save();    // "&S 保存"

    QLineEdit* codeBox() const { return m_code; }
    QLineEdit* nameBox() const { return m_name; }
    QLineEdit* passwordBox() const { return m_password; }
    QLineEdit* confirmBox() const { return m_confirm; }
    ui::FlatButton* confirmButton() const { return m_confirmButton; }
    ui::FlatButton* saveButton() const { return m_saveButton; }

private:
    // Whether both password boxes hold the same; if not, says so, empties
    // them and puts the focus in the first.
    bool passwordsAgree();
    AppContext& m_context;
    QString m_originalCode;
    QLineEdit* m_code;
    QLineEdit* m_name;
    QLineEdit* m_password;
    QLineEdit* m_confirm;
    ui::FlatButton* m_confirmButton;
    ui::FlatButton* m_saveButton;
};

} // namespace hra::app
