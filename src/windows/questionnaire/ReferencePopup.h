#pragma once

#include "store/RowBuffer.h"
#include "ui/Form.h"

#include <QDialog>

class QLineEdit;

namespace hra::store {
class Connection;
}
namespace hra::ui {
class PromptService;
}

namespace hra::questionnaire {

// "参考值": edits the minimum, maximum and unit of one reference row.
class ReferencePopup : public QDialog
{
    Q_OBJECT
public:
    ReferencePopup(store::Connection& connection, ui::PromptService& prompts, store::RowBuffer& row,
                   QWidget* parent = nullptr);

    QLineEdit* field(const QString& column) const;
    // "&S 保存": stores the row and closes; a refused value keeps the popup open.
    void save();
    // The range the popup holds now ("3.9-6.1mmol/L"; "-" when empty).
    QString rangeText() const;

private:
    store::Connection& m_connection;
    ui::PromptService& m_prompts;
    store::RowBuffer& m_row;
    ui::Form* m_form;
};

// Lets the manager edit the reference range of a column of a table in the
// popup, and returns the range text the caller shows. Returns a null string
// (nothing happened) while another popup is open. Throws store::DatabaseError
// when the row cannot be read.
QString editReferenceRange(store::Connection& connection, ui::PromptService& prompts,
                           QWidget* parent, const QString& table, const QString& column);

} // namespace hra::questionnaire
