#include "host/data/cell.h"
#include "host/data/clientdataset.h"
#include "host/data/errors.h"
#include "tests/common/qtprint.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace vorn;

namespace {

/// A local one-row table with one field of the given definition, in insert mode.
class OneField {
public:
    explicit OneField(const FieldDef& def) {
        table_.AddField(def);
        table_.CreateDataSet();
        table_.Append();
    }
    TField& field() { return table_.Fields(0); }

private:
    TVornClientDataSet table_{"CDSOne"};
};

} // namespace

TEST(Values, DecimalsKeepTheirScaleAndRefuseWhatExceedsThePrecision) {
    OneField money(FieldDef::decimal("BEDRAG", 5, 2));
    money.field().SetAsFloat(123.456);
    EXPECT_EQ(money.field().AsString(), "123.46");
    money.field().SetAsString("-0.5");
    EXPECT_EQ(money.field().AsInteger(), -1) << "half away from zero";
    EXPECT_THROW(money.field().SetAsInteger(1000), EDatabaseError) << "1000.00 needs six digits";
    EXPECT_THROW(money.field().SetAsString("veel"), EDatabaseError);
    EXPECT_EQ(money.field().AsString(), "-0.5") << "a refused value leaves the field as it was";
    money.field().SetAsInteger(999);
    EXPECT_DOUBLE_EQ(money.field().AsFloat(), 999.0);
}

TEST(Values, TextsAreCutByCharactersNotBytes) {
    OneField name(FieldDef::wideString("NAAM", 5));
    name.field().SetAsString(QString::fromUtf8("Zoë Ève Ü"));
    EXPECT_EQ(name.field().AsString(), QString::fromUtf8("Zoë È"));
    OneField memo(FieldDef::memo("UITLEG"));
    const QString longText(5000, u'x');
    memo.field().SetAsString(longText);
    EXPECT_EQ(memo.field().AsString().size(), 5000) << "a memo has no width";
}

TEST(Values, DatesAcceptIsoTextAndDropTheTimeOfADateField) {
    OneField day(FieldDef::date("DAG"));
    day.field().SetAsDateTime(EncodeDate(2025, 3, 14) + 0.75);
    EXPECT_EQ(day.field().AsDateTime(), EncodeDate(2025, 3, 14));
    day.field().SetAsString("2024-02-29");
    EXPECT_EQ(day.field().AsString(), "2024-02-29");
    EXPECT_THROW(day.field().SetAsString("2023-02-29"), EDatabaseError);
    day.field().SetAsString("");
    EXPECT_TRUE(day.field().IsNull()) << "an empty text clears a date";
    OneField moment(FieldDef::dateTime("MOMENT"));
    moment.field().SetValue(QDateTime(QDate(2025, 1, 2), QTime(6, 30)));
    EXPECT_EQ(moment.field().AsString(), "2025-01-02T06:30:00");
}

TEST(Values, DisplayTextFollowsTheUsersLocale) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Belgium));
    OneField money(FieldDef::decimal("BEDRAG", 18, 2));
    money.field().SetAsFloat(1234.5);
    EXPECT_EQ(money.field().DisplayText(), "1.234,50");
    OneField day(FieldDef::date("DAG"));
    day.field().SetAsDateTime(EncodeDate(2025, 3, 4));
    EXPECT_EQ(day.field().DisplayText(), QLocale().toString(QDate(2025, 3, 4), QLocale::ShortFormat));
    QLocale::setDefault(previous);
}

TEST(Values, BlobsKeepEveryByte) {
    OneField blob(FieldDef::blob("DATA"));
    const QByteArray bytes("\x00\x01\xff{}", 5);
    blob.field().SetValue(bytes);
    EXPECT_EQ(blob.field().AsBytes(), bytes);
    EXPECT_EQ(blob.field().AsVariant().toByteArray(), bytes);
}
