#pragma once

#include "windows/records/PersonListWindow.h"

namespace hra::records {

// "删除档案": deletes a person row (the person's assessments stay).
class DeleteRecordWindow : public PersonListWindow
{
    Q_OBJECT
public:
    explicit DeleteRecordWindow(Context& context, QWidget* parent = nullptr);

    void deleteSelected();
};

} // namespace hra::records
