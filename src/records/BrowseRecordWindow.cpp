#include "records/BrowseRecordWindow.h"

#include "records/Context.h"
#include "store/SessionState.h"
#include "ui/FlatButton.h"
#include "ui/KeyNavigation.h"

#include <QLineEdit>
#include <QTableWidget>

namespace hra::records {

BrowseRecordWindow::BrowseRecordWindow(Context& context, QWidget* parent)
    : PersonListWindow(context, QStringLiteral("TFrm_llda"), QStringLiteral("浏览档案"),
                       QStringLiteral("浏 览 档 案"),
                       {{QStringLiteral("编号"), QStringLiteral("bianh")},
                        {QStringLiteral("姓名"), QStringLiteral("xingm")},
                        {QStringLiteral("性别"), QStringLiteral("xingb")},
                        {QStringLiteral("身份证号"), QStringLiteral("shenfzh")},
                        {QStringLiteral("年龄"), QStringLiteral("nianl")},
                        {QStringLiteral("民族"), QStringLiteral("minz")},
                        {QStringLiteral("职业"), QStringLiteral("zhiy")},
                        {QStringLiteral("婚姻状况"), QStringLiteral("hunyzk")},
                        {QStringLiteral("文化程度"), QStringLiteral("wenhcd")},
                        {QStringLiteral("工作单位"), QStringLiteral("gongzdw")},
                        {QStringLiteral("通讯地址"), QStringLiteral("tongxdz")},
                        {QStringLiteral("联系方式"), QStringLiteral("lianxfs")},
                        {QStringLiteral("邮件"), QStringLiteral("youj")},
                        {QStringLiteral("录入日期"), QStringLiteral("lurrq")},
                        {QStringLiteral("照片"), QStringLiteral("zhaop")}},
                       parent)
{
    auto* printButton = addButton(QStringLiteral("&P 打印"), QStringLiteral("print"));
    connect(printButton, &QPushButton::clicked, this, &BrowseRecordWindow::print);
    connect(table(), &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { openQuestionnaireFor(row); });
    installKeys()->setEnterAction(searchBox(), [this] { find(); });
}

void BrowseRecordWindow::print()
{
    if (!hasList())
        return;
    if (m_context.printPersonList)
        m_context.printPersonList(persons());
}

void BrowseRecordWindow::openQuestionnaireFor(int index)
{
    if (!hasList() || index < 0 || index >= persons().size())
        return;
    const QString number = persons().at(index).value(QStringLiteral("bianh")).toString();
    if (number.isEmpty())
        return;
    m_context.session.pendingRecordNo = number;
    if (m_context.openQuestionnaire)
        m_context.openQuestionnaire();
}

} // namespace hra::records
