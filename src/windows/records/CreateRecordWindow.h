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

protected:
    bool hasChanges() const override;
    bool storeChanges() override { return store(); }

private:
    void startNewRow();
    // Stores the person typed; false (having said why) when it could not.
    bool store();

    PersonForm* m_form;
    store::RowBuffer m_row;
};

} // namespace hra::records
