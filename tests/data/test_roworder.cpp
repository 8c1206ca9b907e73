// Sorting a row order by columns and finding rows by key, apart from any dataset: every sorting
// path against a plain comparison sort, Dutch collation, nulls, ties, and the key index.
#include "host/data/roworder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <random>
#include <string>

using namespace vorn;

namespace {

Column Integers(StorageKind kind, const std::vector<std::optional<std::int64_t>>& values) {
    Column column(kind);
    for (const auto& value : values)
        value ? column.appendInt(*value) : column.appendNull();
    return column;
}

Column Texts(const std::vector<std::optional<std::string>>& values) {
    Column column(StorageKind::Bytes);
    for (const auto& value : values)
        value ? column.appendBytes(*value) : column.appendNull();
    return column;
}

std::vector<std::uint32_t> Identity(std::size_t rows) {
    std::vector<std::uint32_t> order(rows);
    std::iota(order.begin(), order.end(), 0U);
    return order;
}

/// The order a plain stable comparison sort gives over integer keys (nulls first).
std::vector<std::uint32_t> ExpectedOrder(const std::vector<TSortKey>& keys, std::size_t rows) {
    std::vector<std::uint32_t> order = Identity(rows);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        for (const TSortKey& key : keys) {
            const bool nullA = key.column->isNull(a);
            const bool nullB = key.column->isNull(b);
            if (nullA != nullB)
                return key.descending ? nullB : nullA;
            if (nullA)
                continue;
            const std::int64_t x = key.column->intAt(a);
            const std::int64_t y = key.column->intAt(b);
            if (x != y)
                return key.descending ? x > y : x < y;
        }
        return false;
    });
    return order;
}

std::vector<std::string> InOrder(const Column& column, const std::vector<std::uint32_t>& order) {
    std::vector<std::string> texts;
    for (const std::uint32_t row : order)
        texts.push_back(column.isNull(row) ? "<null>" : std::string(column.bytesAt(row)));
    return texts;
}

} // namespace

TEST(RowOrder, EveryIntegerPathSortsAsAPlainStableSort) {
    std::mt19937 random(7);
    for (int round = 0; round < 60; ++round) {
        const std::size_t rows = 1 + random() % 3000;
        const bool withNulls = round % 3 == 2;
        const StorageKind kind = round % 4 == 1 ? StorageKind::Int64 : StorageKind::Int32;
        // Few distinct first keys, so that ties are sorted by the second key; negative values too.
        std::vector<std::optional<std::int64_t>> first, second;
        for (std::size_t row = 0; row < rows; ++row) {
            first.push_back(withNulls && random() % 9 == 0
                                ? std::nullopt
                                : std::optional<std::int64_t>(static_cast<std::int64_t>(random() % 40) - 20 +
                                                              (round % 5 == 0 ? 70000 : 0)));
            second.push_back(static_cast<std::int64_t>(random() % 100000) - 50000);
        }
        const Column a = Integers(kind, first);
        const Column b = Integers(StorageKind::Int32, second);
        for (const std::vector<TSortKey>& keys :
             {std::vector<TSortKey>{{&a, false}}, std::vector<TSortKey>{{&a, true}},
              std::vector<TSortKey>{{&a, false}, {&b, true}},
              std::vector<TSortKey>{{&a, true}, {&b, false}}}) {
            std::vector<std::uint32_t> order = Identity(rows);
            SortRowOrder(order, keys);
            ASSERT_EQ(order, ExpectedOrder(keys, rows)) << "round " << round << ", " << keys.size()
                                                        << " keys, descending " << keys.front().descending;
        }
    }
}

TEST(RowOrder, AnOrderThatIsAlreadyRightOrPartlySortedStaysStable) {
    const Column keys = Integers(StorageKind::Int32, {1, 1, 2, 2, 3});
    std::vector<std::uint32_t> order = {1, 0, 3, 2, 4}; // an earlier sort put equal keys this way
    SortRowOrder(order, {{&keys, false}});
    EXPECT_EQ(order, (std::vector<std::uint32_t>{1, 0, 3, 2, 4}));
    SortRowOrder(order, {{&keys, true}});
    EXPECT_EQ(order, (std::vector<std::uint32_t>{4, 3, 2, 1, 0}));
}

TEST(RowOrder, TextsSortAsDutchReadersExpectWithNullsFirst) {
    const Column names =
        Texts({"Zeger", "appel", "Émile", std::nullopt, "Appel", "eva", "Ijsbrand", "10B", "9A"});
    std::vector<std::uint32_t> order = Identity(names.size());
    SortRowOrder(order, {{&names, false}});
    EXPECT_EQ(InOrder(names, order), (std::vector<std::string>{"<null>", "10B", "9A", "appel", "Appel",
                                                               "Émile", "eva", "Ijsbrand", "Zeger"}));
    SortRowOrder(order, {{&names, true}});
    EXPECT_EQ(InOrder(names, order).front(), "Zeger");
    EXPECT_EQ(InOrder(names, order).back(), "<null>");
}

TEST(RowOrder, ATextKeyThenANumberKeySortsTiesByTheNumber) {
    const Column classes = Texts({"1B", "1A", "1B", "1A"});
    const Column hours = Integers(StorageKind::Int32, {4, 2, std::nullopt, 9});
    std::vector<std::uint32_t> order = Identity(4);
    SortRowOrder(order, {{&classes, false}, {&hours, true}});
    EXPECT_EQ(order, (std::vector<std::uint32_t>{3, 1, 0, 2}));
    SortRowOrder(order, {});
    EXPECT_EQ(order, (std::vector<std::uint32_t>{3, 1, 0, 2})) << "no keys, no change";
}

TEST(KeyIndex, FindsTheFirstPositionOfAKeyInTheOrderItWasBuiltFor) {
    const Column ids = Integers(StorageKind::Int64, {30, std::nullopt, -5, 30, 7, 0});
    const std::vector<std::uint32_t> order = {5, 3, 4, 0, 2, 1}; // positions: 0 1 2 3 4 5
    const TKeyIndex index(ids, order);
    EXPECT_EQ(index.Find(30), 1) << "the first of equal keys in this order";
    EXPECT_EQ(index.Find(-5), 4);
    EXPECT_EQ(index.Find(0), 0);
    EXPECT_EQ(index.Find(7), 2);
    EXPECT_EQ(index.Find(8), -1);
    EXPECT_EQ(index.Find(std::numeric_limits<std::int64_t>::max()), -1);

    const TKeyIndex subset(ids, {1, 2});
    EXPECT_EQ(subset.Find(-5), 1);
    EXPECT_EQ(subset.Find(30), -1) << "a row outside the order is not found";
}
