#include "changelog.h"

#include <algorithm>

namespace vorn {

void TChangeLog::Reset(std::size_t rows) {
    status_.assign(rows, TRowStatus::Unchanged);
    forgetChanges();
}

void TChangeLog::forgetChanges() {
    asFetched_.clear();
    deletedAt_.clear();
    nextTemporaryId_ = -1;
}

void TChangeLog::Inserted() {
    status_.push_back(TRowStatus::Inserted);
}

void TChangeLog::Modifying(std::size_t row, const TCellsOfRow& cellsAsFetched) {
    if (status_[row] != TRowStatus::Unchanged)
        return;
    asFetched_.emplace(row, cellsAsFetched());
    status_[row] = TRowStatus::Modified;
}

void TChangeLog::Deleting(std::size_t row, int position, const TCellsOfRow& cellsAsFetched) {
    if (status_[row] == TRowStatus::Inserted) {
        status_[row] = TRowStatus::Discarded;
        return;
    }
    if (status_[row] == TRowStatus::Unchanged)
        asFetched_.emplace(row, cellsAsFetched());
    status_[row] = TRowStatus::Deleted;
    deletedAt_.emplace_back(row, position);
}

namespace {

bool IsPending(TChangeLog::TRowStatus status) {
    return status == TChangeLog::TRowStatus::Inserted || status == TChangeLog::TRowStatus::Modified ||
           status == TChangeLog::TRowStatus::Deleted;
}

} // namespace

std::vector<std::size_t> TChangeLog::PendingRows() const {
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < status_.size(); ++row)
        if (IsPending(status_[row]))
            rows.push_back(row);
    return rows;
}

int TChangeLog::ChangeCount() const {
    return static_cast<int>(std::count_if(status_.begin(), status_.end(), IsPending));
}

const std::vector<Cell>* TChangeLog::CellsAsFetched(std::size_t row) const {
    const auto found = asFetched_.find(row);
    return found == asFetched_.end() ? nullptr : &found->second;
}

void TChangeLog::Applied(const std::vector<std::size_t>& rows) {
    for (const std::size_t row : rows) {
        status_[row] = status_[row] == TRowStatus::Deleted ? TRowStatus::Discarded : TRowStatus::Unchanged;
        asFetched_.erase(row);
    }
    std::erase_if(deletedAt_,
                  [this](const auto& entry) { return status_[entry.first] != TRowStatus::Deleted; });
}

void TChangeLog::Undo(std::vector<std::uint32_t>& order,
                      const std::function<void(std::size_t row, const std::vector<Cell>& cells)>& restore) {
    for (const auto& [row, cells] : asFetched_) {
        restore(row, cells);
        status_[row] = TRowStatus::Unchanged;
    }
    // Back in the reverse order of the deletions, so that every position is the one it had.
    for (auto it = deletedAt_.rbegin(); it != deletedAt_.rend(); ++it) {
        const auto position = std::min<std::size_t>(static_cast<std::size_t>(it->second), order.size());
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(position),
                     static_cast<std::uint32_t>(it->first));
    }
    std::erase_if(order, [this](std::uint32_t row) { return status_[row] == TRowStatus::Inserted; });
    for (TRowStatus& status : status_)
        if (status == TRowStatus::Inserted)
            status = TRowStatus::Discarded;
    forgetChanges();
}

} // namespace vorn
