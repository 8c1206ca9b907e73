#include "idlist.h"

#include "errors.h"

#include <algorithm>

namespace vorn {

TIDList::TIDList(int capacity, bool sorted, TDuplicates duplicates)
    : sorted_(sorted), duplicates_(duplicates) {
    entries_.reserve(static_cast<std::size_t>(std::max(capacity, 0)));
}

void TIDList::SetSorted(bool sorted) {
    if (sorted && !sorted_)
        std::stable_sort(entries_.begin(), entries_.end(),
                         [](const Entry& a, const Entry& b) { return a.id < b.id; });
    sorted_ = sorted;
}

int TIDList::Add(std::int32_t id) {
    return AddObject(id, nullptr);
}

std::size_t TIDList::lowerBound(std::int32_t id) const {
    // Ids mostly arrive in ascending order, so the end is tried first.
    if (entries_.empty() || entries_.back().id < id)
        return entries_.size();
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                                     [](const Entry& e, std::int32_t v) { return e.id < v; });
    return static_cast<std::size_t>(it - entries_.begin());
}

int TIDList::AddObject(std::int32_t id, void* object) {
    if (duplicates_ != dupAccept) {
        const int present = IndexOf(id);
        if (present >= 0) {
            if (duplicates_ == dupError)
                throw EListError(FormatMessage(QStringLiteral("Id %d staat al in de lijst"), {id}));
            return present;
        }
    }
    if (!sorted_) {
        entries_.push_back({id, object});
        return Count() - 1;
    }
    std::size_t pos = lowerBound(id);
    // Equal ids (mode dupAccept) go after the ones already there.
    while (pos < entries_.size() && entries_[pos].id == id)
        ++pos;
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(pos), Entry{id, object});
    return static_cast<int>(pos);
}

int TIDList::IndexOf(std::int32_t id) const {
    if (sorted_) {
        const std::size_t pos = lowerBound(id);
        return pos < entries_.size() && entries_[pos].id == id ? static_cast<int>(pos) : -1;
    }
    const auto it =
        std::find_if(entries_.begin(), entries_.end(), [id](const Entry& e) { return e.id == id; });
    return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

void TIDList::checkIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(FormatMessage(QStringLiteral("Lijstindex buiten bereik (%d)"), {index}));
}

std::int32_t TIDList::GetID(int index) const {
    checkIndex(index);
    return entries_[static_cast<std::size_t>(index)].id;
}

void* TIDList::GetObject(int index) const {
    checkIndex(index);
    return entries_[static_cast<std::size_t>(index)].object;
}

void TIDList::SetObject(int index, void* object) {
    checkIndex(index);
    entries_[static_cast<std::size_t>(index)].object = object;
}

void TIDList::Delete(int index) {
    checkIndex(index);
    entries_.erase(entries_.begin() + index);
}

} // namespace vorn
