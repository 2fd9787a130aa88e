#pragma once

#include "windows/records/PersonListColumns.h"
#include "windows/records/RecordWindow.h"

class QHBoxLayout;
class QLineEdit;
class QTableView;

namespace hra::ui {
class FlatButton;
}

namespace hra::records {

class PersonListModel;

// The delete and browse windows: a search box "编号", "&F 查找" and a
// read-only list of persons, one whole row selected at a time.
class PersonListWindow : public RecordWindow
{
    Q_OBJECT
public:
    QLineEdit* searchBox() const { return m_search; }
    QTableView* table() const { return m_table; }
    // The listed persons; rows are read as the list is scrolled to them.
    PersonListModel* persons() const { return m_model; }

    // Lists every person when the search box is empty, else the one with that number.
    void find();
    // True once "&F 查找" has found a list.
    bool hasList() const;
    // The row of the selected person, or -1.
    int selectedIndex() const;

    // Wide enough to show the list's columns without scrolling first.
    QSize sizeHint() const override { return {980, 520}; }

protected:
    PersonListWindow(Context& context, const QString& kind, const QString& caption,
                     const QString& banner, QList<ListColumn> columns, QWidget* parent);

    // Adds a command button after "&F 查找".
    ui::FlatButton* addButton(const QString& caption, const QString& objectName);
    // Takes a deleted person's row out of the list and selects the next
    // person (the one before when it was the last).
    void removePerson(int index);

private:
    QLineEdit* m_search;
    QHBoxLayout* m_buttons;
    PersonListModel* m_model;
    QTableView* m_table;
};

} // namespace hra::records
