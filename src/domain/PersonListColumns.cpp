#include "domain/PersonListColumns.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace hra::domain {

const QList<ListColumn>& personListColumns()
{
    static const QList<ListColumn> all{
        {"编号", "bianh"},       {"姓名", "xingm"},       {"性别", "xingb"},
        {"身份证号", "shenfzh"}, {"年龄", "nianl"},       {"民族", "minz"},
        {"职业", "zhiy"},        {"婚姻状况", "hunyzk"},  {"文化程度", "wenhcd"},
        {"工作单位", "gongzdw"}, {"通讯地址", "tongxdz"}, {"联系方式", "lianxfs"},
        {"邮件", "youj"},        {"录入日期", "lurrq"},   {"照片", "zhaop"}};
    return all;
}

QList<ListColumn> personListColumns(std::initializer_list<const char*> columns)
{
    QList<ListColumn> picked;
    for (const char* name : columns) {
        const auto& all = personListColumns();
        const auto it = std::find_if(all.begin(), all.end(), [&](const ListColumn& c) {
            return c.column == QLatin1String(name);
        });
        if (it == all.end())
            throw std::logic_error(std::string("no person list column ") + name);
        picked << *it;
    }
    return picked;
}

} // namespace hra::domain
