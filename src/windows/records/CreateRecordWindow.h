#pragma once

#include "store/RowBuffer.h"
#include "windows/records/RecordWindow.h"

namespace hra::records {

class PersonForm;

// "建立档案": registers one person after another.
class CreateRecordWindow : public RecordWindow
{
    Q_OBJECT
public:
    explicit CreateRecordWindow(Context& context, QWidget* parent = nullptr);

    PersonForm* form() const { return m_form; }
    void save();

private:
    void startNewRow();

    PersonForm* m_form;
    store::RowBuffer m_row;
};

} // namespace hra::records
