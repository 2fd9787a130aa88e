#pragma once

#include "windows/records/PersonListWindow.h"

namespace hra::records {

// "浏览档案": lists persons, prints the list or exports it to Excel, and hands a
// person to the questionnaire.
class BrowseRecordWindow : public PersonListWindow
{
    Q_OBJECT
public:
    explicit BrowseRecordWindow(Context& context, QWidget* parent = nullptr);

    void print();
    // The persons listed, every column but the photo, into an Excel book.
    void exportExcel();
    // The double click on a row.
    void openQuestionnaireFor(int index);
};

} // namespace hra::records
