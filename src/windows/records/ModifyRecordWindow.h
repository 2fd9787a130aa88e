#pragma once

#include "store/RowBuffer.h"
#include "windows/records/RecordWindow.h"

class QLineEdit;

namespace hra::store {
class StaleRowError;
}

namespace hra::records {

class PersonForm;

// "修改档案": loads a person by record number and stores the changes.
class ModifyRecordWindow : public RecordWindow
{
    Q_OBJECT
public:
    explicit ModifyRecordWindow(Context& context, QWidget* parent = nullptr);

    PersonForm* form() const { return m_form; }
    QLineEdit* lookupBox() const { return m_lookup; }

    // Puts the number into the lookup box and loads that person, as Enter there does.
    void lookup(const QString& recordNumber);
    void loadPerson();
    void modify();

protected:
    bool hasChanges() const override;
    bool storeChanges() override;

private:
    void reset();
    // Stores the loaded person; false (having said why) when it could not.
    bool store();
    // A store refused because another workstation changed the person: shows
    // what changed and reloads, cancels, or (true) lets the store overwrite.
    bool settleChangeElsewhere(const store::StaleRowError& refused);

    PersonForm* m_form;
    QLineEdit* m_lookup;
    store::RowBuffer m_row;
};

} // namespace hra::records
