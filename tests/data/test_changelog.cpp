// The change log of a dataset's rows on its own: what is pending, the cells as fetched, partial
// applies, and undoing inserts, edits and deletes back to the order as fetched.
#include "host/data/changelog.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace vorn;
using Status = TChangeLog::TRowStatus;

namespace {

/// Five rows whose only cell is their name, and their order, changed the way a dataset changes
/// them.
struct Rows : ::testing::Test {
    std::vector<std::string> names = {"a", "b", "c", "d", "e"};
    std::vector<std::uint32_t> order = {0, 1, 2, 3, 4};
    TChangeLog log;
    int cellsRead = 0;

    void SetUp() override { log.Reset(names.size()); }

    TChangeLog::TCellsOfRow cellsOf(std::size_t row) {
        return [this, row] {
            ++cellsRead;
            return std::vector<Cell>{names[row]};
        };
    }
    void edit(std::size_t row, const std::string& name) {
        log.Modifying(row, cellsOf(row));
        names[row] = name;
    }
    void insert(const std::string& name) {
        names.push_back(name);
        log.Inserted();
        order.push_back(static_cast<std::uint32_t>(names.size() - 1));
    }
    void deleteAt(int position) {
        const std::size_t row = order[static_cast<std::size_t>(position)];
        log.Deleting(row, position, cellsOf(row));
        order.erase(order.begin() + position);
    }
    void undo() {
        log.Undo(order, [this](std::size_t row, const std::vector<Cell>& cells) {
            names[row] = std::get<std::string>(cells.at(0));
        });
    }
    std::vector<std::string> shown() const {
        std::vector<std::string> texts;
        for (const std::uint32_t row : order)
            texts.push_back(names[row]);
        return texts;
    }
    std::string fetched(std::size_t row) const {
        const std::vector<Cell>* cells = log.CellsAsFetched(row);
        return cells == nullptr ? "<none>" : std::get<std::string>(cells->at(0));
    }
};

} // namespace

TEST_F(Rows, ARowKeepsTheCellsItWasFetchedWithThroughEveryEditAndItsDeletion) {
    edit(1, "b1");
    edit(1, "b2");
    EXPECT_EQ(cellsRead, 1) << "only the first edit reads the row";
    EXPECT_EQ(fetched(1), "b");
    deleteAt(1);
    EXPECT_EQ(log.Status(1), Status::Deleted);
    EXPECT_EQ(fetched(1), "b") << "a delete sends the row as fetched, not as edited";
    EXPECT_EQ(log.PendingRows(), (std::vector<std::size_t>{1}));
    EXPECT_EQ(log.ChangeCount(), 1);
}

TEST_F(Rows, ARowInsertedAndDeletedAgainLeavesNothingToSend) {
    insert("f");
    EXPECT_EQ(log.Status(5), Status::Inserted);
    EXPECT_EQ(fetched(5), "<none>");
    edit(5, "f1");
    EXPECT_EQ(log.Status(5), Status::Inserted) << "an edit of a new row is part of its insert";
    deleteAt(5);
    EXPECT_EQ(log.Status(5), Status::Discarded);
    EXPECT_TRUE(log.PendingRows().empty());
    EXPECT_EQ(cellsRead, 0);
}

TEST_F(Rows, UndoPutsEveryRowBackWhereItStoodWithItsCells) {
    edit(0, "a1");
    deleteAt(1); // b
    deleteAt(1); // c, now at position 1
    insert("f");
    edit(3, "d1");
    deleteAt(1); // d1 (d as fetched)
    EXPECT_EQ(shown(), (std::vector<std::string>{"a1", "e", "f"}));
    EXPECT_EQ(log.ChangeCount(), 5);

    undo();
    EXPECT_EQ(shown(), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(log.Status(5), Status::Discarded);
    EXPECT_EQ(log.ChangeCount(), 0);
    EXPECT_EQ(log.NextTemporaryId(), -1) << "the temporary ids start again";
}

TEST_F(Rows, APartialApplyKeepsTheRowsThatFailedForTheNextApplyOrAnUndo) {
    edit(0, "a1");
    deleteAt(1); // b
    deleteAt(2); // d
    insert("f");
    ASSERT_EQ(log.PendingRows(), (std::vector<std::size_t>{0, 1, 3, 5}));

    log.Applied({0, 3, 5}); // b failed
    EXPECT_EQ(log.Status(0), Status::Unchanged);
    EXPECT_EQ(fetched(0), "<none>") << "a1 is what the server has now";
    EXPECT_EQ(log.Status(3), Status::Discarded);
    EXPECT_EQ(log.Status(5), Status::Unchanged);
    EXPECT_EQ(log.PendingRows(), (std::vector<std::size_t>{1}));

    undo();
    EXPECT_EQ(shown(), (std::vector<std::string>{"a1", "b", "c", "e", "f"}))
        << "only b comes back: d is deleted on the server, a1 and f are stored there";
}

TEST_F(Rows, TemporaryIdsCountDownUntilTheLogIsReset) {
    EXPECT_EQ(log.NextTemporaryId(), -1);
    EXPECT_EQ(log.NextTemporaryId(), -2);
    log.Reset(2);
    EXPECT_EQ(log.NextTemporaryId(), -1);
    EXPECT_EQ(log.ChangeCount(), 0);
}
