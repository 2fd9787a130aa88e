#include "records/PersonListWindow.h"

#include "records/Context.h"
#include "store/Connection.h"
#include "store/NumberText.h"
#include "store/PersonRecords.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"
#include "ui/PromptService.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace hra::records {
namespace {

QString cellText(const QString& column, const QVariant& value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (column == QLatin1String("nianl"))
        return store::valueText(value);
    return value.toString();
}

} // namespace

PersonListWindow::PersonListWindow(Context& context, const QString& kind, const QString& caption,
                                   const QString& banner, QList<ListColumn> columns,
                                   QWidget* parent)
    : RecordWindow(context, kind, caption, banner, parent), m_columns(std::move(columns)),
      m_search(new QLineEdit(this)), m_buttons(new QHBoxLayout), m_table(new QTableWidget(this))
{
    m_search->setObjectName(QStringLiteral("search"));
    // Blanks around a pasted number do not count against the number's ten
    // characters: the search trims them.
    m_search->setMaxLength(40);
    auto* label = new QLabel(QStringLiteral("编号"), this);
    label->setBuddy(m_search);
    m_buttons->addWidget(label);
    m_buttons->addWidget(m_search);
    auto* findButton = addButton(QStringLiteral("&F 查找"), QStringLiteral("find"));
    connect(findButton, &QPushButton::clicked, this, &PersonListWindow::find);
    m_buttons->addStretch();

    m_table->setObjectName(QStringLiteral("persons"));
    m_table->setColumnCount(int(m_columns.size()));
    QStringList captions;
    for (const ListColumn& c : m_columns)
        captions << c.caption;
    m_table->setHorizontalHeaderLabels(captions);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setAlternatingRowColors(true);

    QVBoxLayout* layout = body();
    layout->addLayout(m_buttons);
    layout->addWidget(m_table, 1);
}

ui::FlatButton* PersonListWindow::addButton(const QString& caption, const QString& objectName)
{
    auto* button = new ui::FlatButton(caption, this);
    button->setObjectName(objectName);
    // Buttons go before the stretch that ends the row, once it is there.
    const int stretchAt = m_buttons->count() > 2 ? m_buttons->count() - 1 : m_buttons->count();
    m_buttons->insertWidget(stretchAt, button);
    return button;
}

void PersonListWindow::find()
{
    try {
        m_persons = store::findPersons(m_context.connection.db(), m_search->text());
    } catch (const store::DatabaseError&) {
        // An empty list would read as "nobody found"; say that the search failed.
        m_persons.clear();
        m_found = false;
        showPersons();
        m_context.prompts.error(this, QStringLiteral("查找不成功!"), QStringLiteral("出错提示!"));
        return;
    }
    m_found = true;
    showPersons();
    const QString number = m_search->text().trimmed();
    if (!number.isEmpty() && m_persons.isEmpty())
        m_context.prompts.information(this, unknownNumberMessage(number), QStringLiteral("提示信息"));
}

void PersonListWindow::showPersons()
{
    m_table->clearContents();
    m_table->setRowCount(int(m_persons.size()));
    for (int r = 0; r < m_persons.size(); ++r)
        for (int c = 0; c < m_columns.size(); ++c) {
            const QString& column = m_columns.at(c).column;
            m_table->setItem(r, c,
                             new QTableWidgetItem(cellText(column, m_persons.at(r).value(column))));
        }
    m_table->resizeColumnsToContents();
    if (!m_persons.isEmpty())
        m_table->selectRow(0);
}

int PersonListWindow::selectedIndex() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PersonListWindow::removePerson(int index)
{
    m_persons.removeAt(index);
    m_table->removeRow(index);
}

} // namespace hra::records
