#pragma once

#include <QDialog>
#include <QVariant>

class QLineEdit;

namespace hra::store {
class Connection;
}
namespace hra::ui {
class PromptService;
}

namespace hra::records {

// The person whose number is to change, as the caller's list shows it.
struct RenumberedPerson
{
    QString recordNumber;
    QString name;
    QString sex;
    QVariant age;
};

// "更改编号": gives a person a new record number in every table that carries it.
class RenumberDialog : public QDialog
{
    Q_OBJECT
public:
    RenumberDialog(store::Connection& connection, ui::PromptService& prompts,
                   RenumberedPerson person, QWidget* parent = nullptr);

    QLineEdit* newNumberBox() const { return m_newNumber; }
    void confirm();
    // True once the number was changed.
    bool renumbered() const { return m_renumbered; }

private:
    store::Connection& m_connection;
    ui::PromptService& m_prompts;
    RenumberedPerson m_person;
    QLineEdit* m_newNumber;
    bool m_renumbered = false;
};

} // namespace hra::records
