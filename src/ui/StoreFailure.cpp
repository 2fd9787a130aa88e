#include "ui/StoreFailure.h"

#include "store/NumberText.h"
#include "store/Sql.h"
#include "ui/PromptService.h"

namespace hra::ui {
namespace {

// A stored value as the form shows it.
QString shown(const domain::FieldDeclaration& field, const QVariant& value)
{
    const QString text = store::isNull(value) ? QString() : value.toString().trimmed();
    if (field.kind == domain::ControlKind::Tick)
        return text.isEmpty() || text == QLatin1String("0") ? QStringLiteral("未选")
                                                            : QStringLiteral("已选");
    if (text.isEmpty())
        return QStringLiteral("空");
    if (field.kind == domain::ControlKind::Number)
        return store::valueText(value);
    return text;
}

} // namespace

bool isConnectionLost(const std::exception& e)
{
    return dynamic_cast<const store::ConnectionLostError*>(&e) != nullptr;
}

QString failureText(const std::exception& e, const QString& usual)
{
    return isConnectionLost(e) ? kConnectionLost : usual;
}

QList<ChangedField> changedFields(const store::RowBuffer& mine, const store::RowBuffer& theirs,
                                  const QStringList& columns)
{
    const QStringList typed = mine.editedColumns();
    QList<ChangedField> changed;
    for (const QString& column : columns)
        changed.append({mine.table(), column, theirs.value(column), mine.value(column),
                        typed.contains(column)});
    return changed;
}

QString changedElsewhereQuestion(const std::vector<const domain::FormDeclaration*>& forms,
                                 const QList<ChangedField>& changed)
{
    QStringList lines;
    for (const domain::FormDeclaration* form : forms)
        for (const domain::FieldDeclaration* field : form->fields())
            for (const ChangedField& c : changed)
                if (c.table == form->table && c.column == field->column)
                    lines << QStringLiteral("  %1：其他工作站为“%2”，%3为“%4”")
                                 .arg(field->caption, shown(*field, c.theirs),
                                      c.typedHere ? QStringLiteral("您录入的")
                                                  : QStringLiteral("本机"),
                                      shown(*field, c.mine));
    QString text = kChangedElsewhere + QStringLiteral("本次未保存。\n\n");
    text += lines.isEmpty() ? QStringLiteral("其他工作站保存了该记录,页面上各项的内容未变。\n")
                            : QStringLiteral("其他工作站修改了：\n") + lines.join(u'\n') + u'\n';
    return text + QStringLiteral("\n重新载入：调出其他工作站保存的内容,保留您录入的修改,"
                                 "核对后再保存\n覆盖：用本机的内容覆盖其他工作站的修改\n"
                                 "取消：暂不保存,录入的内容保留");
}

ChangedElsewhereAnswer askAboutChangeElsewhere(PromptService& prompts, QWidget* parent,
                                               const QString& question)
{
    switch (prompts.choose(
        parent, question, QStringLiteral("信息提示!"), QMessageBox::Warning,
        {QStringLiteral("重新载入"), QStringLiteral("覆盖"), QStringLiteral("取消")}, 0, 2)) {
    case 0:
        return ChangedElsewhereAnswer::Reload;
    case 1:
        return ChangedElsewhereAnswer::Overwrite;
    default:
        return ChangedElsewhereAnswer::Cancel;
    }
}

} // namespace hra::ui
