#include "windows/records/PersonListWindow.h"

#include "store/Connection.h"
#include "store/Sql.h"
#include "ui/FlatButton.h"
#include "ui/PromptService.h"
#include "ui/StoreFailure.h"
#include "windows/records/Context.h"
#include "windows/records/PersonListModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace hra::records {

PersonListWindow::PersonListWindow(Context& context, const QString& kind, const QString& caption,
                                   const QString& banner, QList<ListColumn> columns,
                                   QWidget* parent)
    : RecordWindow(context, kind, caption, banner, parent), m_search(new QLineEdit(this)),
      m_buttons(new QHBoxLayout), m_model(new PersonListModel(std::move(columns), this)),
      m_table(new QTableView(this))
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
    m_table->setModel(m_model);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
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
        m_model->search(m_context.connection.db(), m_search->text());
    } catch (const store::DatabaseError& e) {
        // An empty list would read as "nobody found"; say that the search failed.
        m_context.prompts.error(this, ui::failureText(e, QStringLiteral("查找不成功!")),
                                QStringLiteral("出错提示!"));
        return;
    }
    // Widths from the first page only: the rows further down are not read yet.
    m_table->resizeColumnsToContents();
    if (m_model->rowCount() > 0)
        m_table->selectRow(0);
    const QString number = m_model->recordNumber();
    if (!number.isEmpty() && m_model->rowCount() == 0)
        m_context.prompts.information(this, unknownNumberMessage(number),
                                      QStringLiteral("提示信息"));
}

bool PersonListWindow::hasList() const
{
    return m_model->hasList();
}

int PersonListWindow::selectedIndex() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void PersonListWindow::removePerson(int index)
{
    m_model->removePerson(index);
    // The last row read: the next person is on the page not read yet.
    if (index >= m_model->rowCount() && m_model->canFetchMore({}))
        m_model->fetchMore({});
    if (m_model->rowCount() > 0)
        m_table->selectRow(std::min(index, m_model->rowCount() - 1));
}

} // namespace hra::records
