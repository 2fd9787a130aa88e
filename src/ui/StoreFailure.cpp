#include "ui/StoreFailure.h"

#include "store/Sql.h"

namespace hra::ui {

bool isConnectionLost(const std::exception& e)
{
    return dynamic_cast<const store::ConnectionLostError*>(&e) != nullptr;
}

QString failureText(const std::exception& e, const QString& usual)
{
    return isConnectionLost(e) ? kConnectionLost : usual;
}

QString changedElsewhereQuestion(const std::vector<const domain::FormDeclaration*>& forms,
                                 const QStringList& columns)
{
    QStringList captions;
    for (const domain::FormDeclaration* form : forms)
        for (const domain::FieldDeclaration* field : form->fields())
            if (columns.contains(field->column) && !captions.contains(field->caption))
                captions << field->caption;
    QString text = kChangedElsewhere;
    if (!captions.isEmpty())
        text += QStringLiteral("\n\n其他工作站修改了：") + captions.join(QStringLiteral("、"));
    return text + QStringLiteral("\n\n是：重新读取,保留您录入的内容\n否：用您录入的内容覆盖\n"
                                 "取消：暂不保存");
}

} // namespace hra::ui
