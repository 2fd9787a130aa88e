#pragma once

#include "records/RecordWindow.h"

#include <QList>
#include <QVariantMap>

class QHBoxLayout;
class QLineEdit;
class QTableWidget;

namespace hra::ui {
class FlatButton;
}

namespace hra::records {

// A column of a person list: its caption and the jkpg_jbxx column it shows.
struct ListColumn
{
    QString caption;
    QString column;
};

// The delete and browse windows: a search box "编号", "&F 查找" and a
// read-only list of persons, one whole row selected at a time.
class PersonListWindow : public RecordWindow
{
    Q_OBJECT
public:
    QLineEdit* searchBox() const { return m_search; }
    QTableWidget* table() const { return m_table; }

    // Lists every person when the search box is empty, else the one with that number.
    void find();
    // True once "&F 查找" has run.
    bool hasList() const { return m_found; }
    const QList<QVariantMap>& persons() const { return m_persons; }
    // The person of the selected row, or -1.
    int selectedIndex() const;

    // Wide enough to show the list's columns without scrolling first.
    QSize sizeHint() const override { return {980, 520}; }

protected:
    PersonListWindow(Context& context, const QString& kind, const QString& caption,
                     const QString& banner, QList<ListColumn> columns, QWidget* parent);

    // Adds a command button after "&F 查找".
    ui::FlatButton* addButton(const QString& caption, const QString& objectName);
    void removePerson(int index);

private:
    void showPersons();

    QList<ListColumn> m_columns;
    QLineEdit* m_search;
    QHBoxLayout* m_buttons;
    QTableWidget* m_table;
    QList<QVariantMap> m_persons;
    bool m_found = false;
};

} // namespace hra::records
