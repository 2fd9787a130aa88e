#pragma once

#include <QList>
#include <QString>
#include <initializer_list>

namespace hra::domain {

// A column of a person list: its caption and the jkpg_jbxx column it shows.
struct ListColumn
{
    QString caption;
    QString column;
};

// Every column of jkpg_jbxx a person list can show, with its caption in the
// list (which is not always the form's: "邮件", "编号"): the record windows'
// lists and the persons written to a book.
const QList<ListColumn>& personListColumns();

// The named columns with their captions, in the order given. Throws
// std::logic_error for a column that is not declared.
QList<ListColumn> personListColumns(std::initializer_list<const char*> columns);

} // namespace hra::domain
