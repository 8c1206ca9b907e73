#include "host/data/errors.h"
#include "host/data/table.h"

#include <gtest/gtest.h>
#include <string>

using namespace vorn;

namespace {

std::string TextOf(int row) {
    return "tekst " + std::to_string(row);
}

Table NumbersAndTexts() {
    return Table({FieldDef::integer("ID"), FieldDef::wideString("NAAM", 20), FieldDef::largeint("GROOT")});
}

} // namespace

// A million-row column grows from the heap into mapped pages and on by remapping: every value
// written before a growth must still be there after it, and a copy must not share its storage.
TEST(ColumnTest, GrowingPastAMegabyteKeepsEveryValueAndCopiesStandApart) {
    constexpr int Rows = 700000; // 2.8 MB of integers, more than 8 MB of texts
    Column numbers(StorageKind::Int32);
    Column texts(StorageKind::Bytes);
    for (int row = 0; row < Rows; ++row) {
        numbers.appendInt(row * 3);
        texts.appendBytes(TextOf(row));
    }
    Column copy = numbers;
    copy.setInt(12345, -1);
    copy.appendInt(7);

    ASSERT_EQ(numbers.size(), std::size_t{Rows});
    for (int row = 0; row < Rows; row += 997) {
        EXPECT_EQ(numbers.intAt(row), row * 3);
        EXPECT_EQ(texts.bytesAt(row), TextOf(row));
    }
    EXPECT_EQ(numbers.intAt(Rows - 1), (Rows - 1) * 3);
    EXPECT_EQ(texts.bytesAt(Rows - 1), TextOf(Rows - 1));
    EXPECT_EQ(numbers.intAt(12345), 12345 * 3);
    EXPECT_EQ(copy.intAt(12345), -1);
    EXPECT_EQ(copy.size(), std::size_t{Rows + 1});
}

TEST(ColumnTest, AppendedRowsKeepTheirValuesTextsAndNulls) {
    Table first = NumbersAndTexts();
    first.columns[0].appendInt(1);
    first.columns[1].appendBytes("een");
    first.columns[2].appendInt(10000000000);
    Table second = NumbersAndTexts();
    for (int row = 2; row <= 3; ++row) {
        second.columns[0].appendInt(row);
        second.columns[2].appendInt(row * 10);
    }
    second.columns[1].appendNull();
    second.columns[1].appendBytes("drie");
    second.columns[2].setNull(0);

    first.appendRows(second);

    ASSERT_EQ(first.rowCount(), std::size_t{3});
    EXPECT_EQ(first.columns[0].intAt(2), 3);
    EXPECT_FALSE(first.columns[1].isNull(0));
    EXPECT_EQ(first.columns[1].bytesAt(0), "een");
    EXPECT_TRUE(first.columns[1].isNull(1)) << "nulls of the second table start being tracked";
    EXPECT_EQ(first.columns[1].bytesAt(2), "drie") << "text offsets follow the first table's bytes";
    EXPECT_EQ(first.columns[2].intAt(0), 10000000000);
    EXPECT_TRUE(first.columns[2].isNull(1));
    EXPECT_FALSE(first.columns[2].isNull(2));
    EXPECT_EQ(first.columns[2].intAt(2), 30);

    Table withoutNulls = NumbersAndTexts();
    withoutNulls.columns[0].appendInt(4);
    withoutNulls.columns[1].appendBytes("vier");
    withoutNulls.columns[2].appendInt(40);
    first.appendRows(std::move(withoutNulls));
    EXPECT_FALSE(first.columns[1].isNull(3)) << "rows without nulls join a column that tracks them";
    EXPECT_TRUE(first.columns[1].isNull(1));
    EXPECT_EQ(first.columns[1].bytesAt(3), "vier");
    EXPECT_EQ(first.rowCount(), std::size_t{4});
    EXPECT_TRUE(withoutNulls.columns.empty()) << "the appended table gave up its memory"; // NOLINT
}

TEST(ColumnTest, RowsOfAnotherShapeAreRefused) {
    Table numbers = NumbersAndTexts();
    Table other(
        {FieldDef::wideString("ID", 5), FieldDef::wideString("NAAM", 20), FieldDef::largeint("GROOT")});
    EXPECT_THROW(numbers.appendRows(other), EDatabaseError);
    EXPECT_THROW(numbers.appendRows(Table({FieldDef::integer("ID")})), EDatabaseError);
}
