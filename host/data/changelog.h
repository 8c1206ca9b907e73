#pragma once

#include "cell.h"

#include <cstdint>
#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace vorn {

/// The changes made to a dataset's stored rows since they were fetched or last applied: per stored
/// row whether it was inserted, modified or deleted, the cells a changed row had as fetched, and
/// where a deleted row stood in the order, so that the changes can be sent to a provider or undone.
class TChangeLog {
public:
    enum class TRowStatus : std::uint8_t {
        Unchanged,
        Inserted,
        Modified,
        Deleted,
        Discarded, // deleted after it was inserted, or its deletion applied: nothing to send or show
    };
    using TCellsOfRow = std::function<std::vector<Cell>()>;

    /// Forgets every change: `rows` rows as fetched.
    void Reset(std::size_t rows);
    /// A new row stored after the others.
    void Inserted();
    /// A row about to be overwritten: a row unchanged until now keeps its cells as fetched.
    void Modifying(std::size_t row, const TCellsOfRow& cellsAsFetched);
    /// A row taken out of the order at `position`: one inserted since the fetch is discarded, any
    /// other is to be deleted and keeps its cells as fetched and its position.
    void Deleting(std::size_t row, int position, const TCellsOfRow& cellsAsFetched);

    TRowStatus Status(std::size_t row) const { return status_[row]; }
    /// The rows with a change to send, in stored order.
    std::vector<std::size_t> PendingRows() const;
    int ChangeCount() const;
    /// The cells of a modified or deleted row as fetched; null for any other row.
    const std::vector<Cell>* CellsAsFetched(std::size_t row) const;

    /// The provider took the changes of these rows: a deleted row is gone, any other is as fetched.
    void Applied(const std::vector<std::size_t>& rows);
    /// Undoes every change: each changed row gets its cells as fetched back (`restore`), deleted
    /// rows return to their positions in `order`, inserted rows leave it and are discarded.
    void Undo(std::vector<std::uint32_t>& order,
              const std::function<void(std::size_t row, const std::vector<Cell>& cells)>& restore);

    /// An id for a new row until the server numbers it: -1, -2, ... so that new rows differ.
    std::int64_t NextTemporaryId() { return nextTemporaryId_--; }

private:
    void forgetChanges();

    std::vector<TRowStatus> status_;                     // per stored row
    std::map<std::size_t, std::vector<Cell>> asFetched_; // modified or deleted rows
    std::vector<std::pair<std::size_t, int>> deletedAt_; // deleted row and its position, in deletion order
    std::int64_t nextTemporaryId_ = -1;
};

} // namespace vorn
