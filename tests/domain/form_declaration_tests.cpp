#include "domain/FormDeclaration.h"
#include "domain/PersonRecords.h"
#include "domain/QuestionnaireForms.h"
#include "domain/ReferenceRanges.h"

#include <gtest/gtest.h>

using namespace hra;
using domain::ControlKind;
using domain::FieldDeclaration;
using domain::ValueProblem;
using store::ColumnDef;
using store::ColumnType;

namespace {

const char* problemName(ValueProblem p)
{
    switch (p) {
    case ValueProblem::None:
        return "None";
    case ValueProblem::Missing:
        return "Missing";
    case ValueProblem::NotAnOption:
        return "NotAnOption";
    case ValueProblem::NotATick:
        return "NotATick";
    case ValueProblem::NotANumber:
        return "NotANumber";
    case ValueProblem::TooLong:
        return "TooLong";
    case ValueProblem::UnknownColumn:
        return "UnknownColumn";
    case ValueProblem::OutOfRange:
        return "OutOfRange";
    }
    return "?";
}

} // namespace

TEST(FormDeclaration, ChecksAValueAsTheControlWouldStoreIt)
{
    const ColumnDef text4{"c", ColumnType::Text, 4};
    const ColumnDef number{"c", ColumnType::Float};
    const FieldDeclaration fatigue{
        .column = "c", .kind = ControlKind::Options, .options = {"无疲劳 ", "很疲劳"}};
    const FieldDeclaration other{.column = "c", .caption = "其他", .kind = ControlKind::Tick};
    const FieldDeclaration height{.column = "c", .kind = ControlKind::Number};
    const FieldDeclaration requiredHeight{
        .column = "c", .kind = ControlKind::Number, .requiredMessage = "身高为必填项"};
    const FieldDeclaration name{.column = "c"};
    const FieldDeclaration relative{
        .column = "c", .kind = ControlKind::Choice, .options = {"父", "母"}};
    const FieldDeclaration age{
        .column = "c", .kind = ControlKind::Number, .range = domain::NumberRange{0, 150, true}};
    const FieldDeclaration weight{
        .column = "c", .kind = ControlKind::Number, .range = domain::NumberRange{2, 300, false, 1}};

    const struct
    {
        const char* what;
        const FieldDeclaration& field;
        const ColumnDef& column;
        QVariant value;
        ValueProblem expected;
    } cases[] = {
        {"an option, trailing blank and all", fatigue, text4, "无疲劳 ", ValueProblem::None},
        {"an option without its blank", fatigue, text4, "无疲劳", ValueProblem::NotAnOption},
        {"no option chosen", fatigue, text4, QVariant(), ValueProblem::None},
        {"empty text for an option", fatigue, text4, "", ValueProblem::None},
        {"a ticked box", other, text4, "其他", ValueProblem::None},
        {"an unticked box", other, text4, "0", ValueProblem::None},
        {"a tick box that holds NULL", other, text4, QVariant(), ValueProblem::NotATick},
        {"a tick box that holds another text", other, text4, "是", ValueProblem::NotATick},
        {"a typed number", height, number, " 1.75 ", ValueProblem::None},
        {"a stored number", height, number, 1.75, ValueProblem::None},
        {"a number with an exponent", height, number, "1e3", ValueProblem::None},
        {"no number", height, number, QVariant(), ValueProblem::None},
        {"words for a number", height, number, "一米七", ValueProblem::NotANumber},
        {"a required number left blank", requiredHeight, number, "  ", ValueProblem::Missing},
        {"a required number missing", requiredHeight, number, QVariant(), ValueProblem::Missing},
        {"a required number given", requiredHeight, number, 0, ValueProblem::None},
        {"text as wide as its column", name, text4, "一二三四", ValueProblem::None},
        {"text wider than its column", name, text4, "一二三四五", ValueProblem::TooLong},
        {"a typed choice that fits", relative, text4, "外祖父", ValueProblem::None},
        {"a typed choice too wide", relative, text4, "外祖父母们", ValueProblem::TooLong},
        {"a whole number in range", age, number, "150", ValueProblem::None},
        {"a fraction where whole numbers go", age, number, "35.5", ValueProblem::OutOfRange},
        {"a negative age", age, number, -5, ValueProblem::OutOfRange},
        {"a measured decimal", weight, number, "72.5", ValueProblem::None},
        {"a decimal as a double", weight, number, 72.5, ValueProblem::None},
        {"a decimal more than measured", weight, number, "72.55", ValueProblem::OutOfRange},
        {"the lowest weight", weight, number, 2, ValueProblem::None},
        {"below the lowest weight", weight, number, "1.9", ValueProblem::OutOfRange},
        {"infinity", weight, number, "inf", ValueProblem::OutOfRange},
        {"thirty digits", age, number, "123456789012345678901234567890", ValueProblem::OutOfRange},
        {"no age", age, number, QVariant(), ValueProblem::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_STREQ(problemName(domain::checkValue(c.field, c.column, c.value)),
                     problemName(c.expected));
    }
}

TEST(FormDeclaration, LooksFieldsUpInTheFormAndWidthsInTheColumnList)
{
    const domain::FormDeclaration form = domain::personForm(domain::PersonFormPurpose::Create);
    EXPECT_EQ(domain::checkValue(form, u"xingb", QStringLiteral("女")), ValueProblem::None);
    EXPECT_EQ(domain::checkValue(form, u"xingm", QString()), ValueProblem::Missing);
    EXPECT_EQ(domain::checkValue(form, u"nianl", QStringLiteral("四十")), ValueProblem::NotANumber);
    // jkpg_jbxx.youj holds 50 characters.
    EXPECT_EQ(domain::checkValue(form, u"youj", QString(50, u'a')), ValueProblem::None);
    EXPECT_EQ(domain::checkValue(form, u"youj", QString(51, u'a')), ValueProblem::TooLong);
    // zunc is a column of the table, but no field of the form.
    EXPECT_EQ(domain::checkValue(form, u"zunc", QStringLiteral("先生")),
              ValueProblem::UnknownColumn);
}

// Every declared form names columns of its table, with controls that suit
// their types, and everything it offers for storing fits its column.
TEST(FormDeclaration, DeclaredFormsFitTheirColumns)
{
    std::vector<std::pair<std::string, domain::FormDeclaration>> forms = {
        {"person (create)", domain::personForm(domain::PersonFormPurpose::Create)},
        {"person (modify)", domain::personForm(domain::PersonFormPurpose::Modify)},
        {"reference range", domain::referenceRangeForm()},
    };
    for (const domain::QuestionnairePage& page : domain::questionnairePages())
        forms.emplace_back(page.form.table.toStdString(), page.form);
    for (const auto& [name, form] : forms) {
        SCOPED_TRACE(name);
        ASSERT_NE(store::table(form.table), nullptr);
        QStringList seen;
        for (const FieldDeclaration* f : form.fields()) {
            SCOPED_TRACE(f->column.toStdString());
            EXPECT_FALSE(seen.contains(f->column)) << "declared twice";
            seen << f->column;
            const ColumnDef* column = store::column(form.table, f->column);
            ASSERT_NE(column, nullptr);
            // A number column has a number box; a number box on a text column
            // (a count kept as text) declares the numbers it takes.
            if (column->isNumber())
                EXPECT_EQ(f->kind, ControlKind::Number);
            else if (f->kind == ControlKind::Number)
                EXPECT_TRUE(f->range.has_value()) << f->column.toStdString();
            // Every number typed about a person has a plausible range.
            if (f->kind == ControlKind::Number && !f->readOnly && form.table != "jkpg_sjzd")
                EXPECT_TRUE(f->range.has_value()) << f->column.toStdString();
            if (f->kind == ControlKind::Tick) {
                EXPECT_EQ(domain::checkValue(*f, *column, f->caption), ValueProblem::None);
            }
            for (const QString& option : f->options)
                EXPECT_EQ(domain::checkValue(*f, *column, option), ValueProblem::None)
                    << option.toStdString();
            if (!f->besideTick.isEmpty()) {
                EXPECT_TRUE(form.field(f->besideTick) &&
                            form.field(f->besideTick)->kind == ControlKind::Tick);
            }
        }
    }
}

TEST(FormDeclaration, ParsesTypedNumbers)
{
    bool ok = false;
    EXPECT_EQ(domain::parseNumber(QStringLiteral(" 45 "), &ok), QVariant(qint64(45)));
    EXPECT_TRUE(ok);
    EXPECT_EQ(domain::parseNumber(QStringLiteral("1.75"), &ok), QVariant(1.75));
    EXPECT_EQ(domain::parseNumber(QStringLiteral("1e3"), &ok).typeId(), QMetaType::Double);
    EXPECT_TRUE(domain::parseNumber(QStringLiteral("  "), &ok).isNull());
    EXPECT_TRUE(ok);
    EXPECT_TRUE(domain::parseNumber(QStringLiteral("45岁"), &ok).isNull());
    EXPECT_FALSE(ok);
}
