#pragma once

#include "windows/records/PersonListWindow.h"

namespace hra::records {

// "浏览档案": lists persons, prints the list, and hands a person to the questionnaire.
class BrowseRecordWindow : public PersonListWindow
{
    Q_OBJECT
public:
    explicit BrowseRecordWindow(Context& context, QWidget* parent = nullptr);

    void print();
    // The double click on a row.
    void openQuestionnaireFor(int index);
};

} // namespace hra::records
