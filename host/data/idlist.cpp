#include "idlist.h"

#include "errors.h"

#include <algorithm>
#include <numeric>

namespace vorn {

TIDList::TIDList(int capacity, bool sorted, TDuplicates duplicates)
    : capacity_(static_cast<std::size_t>(std::max(capacity, 0))), sorted_(sorted), duplicates_(duplicates) {
    ids_.reserve(capacity_);
}

void TIDList::SetSorted(bool sorted) {
    if (sorted && !sorted_) {
        std::vector<std::size_t> order(ids_.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(),
                         [this](std::size_t a, std::size_t b) { return ids_[a] < ids_[b]; });
        std::vector<std::int32_t> ids;
        std::vector<void*> objects;
        ids.reserve(std::max(capacity_, ids_.size()));
        for (std::size_t from : order) {
            ids.push_back(ids_[from]);
            if (!objects_.empty())
                objects.push_back(objects_[from]);
        }
        ids_ = std::move(ids);
        objects_ = std::move(objects);
    }
    sorted_ = sorted;
}

std::vector<void*>& TIDList::attachObjects() {
    if (objects_.empty()) {
        objects_.reserve(std::max(capacity_, ids_.capacity()));
        objects_.resize(ids_.size() - 1, nullptr); // the new id is in already, its object not yet
    }
    return objects_;
}

std::size_t TIDList::searchFrom(std::int32_t id) const {
    return static_cast<std::size_t>(std::lower_bound(ids_.begin(), ids_.end(), id) - ids_.begin());
}

int TIDList::insertObject(std::int32_t id, void* object) {
    if (duplicates_ != dupAccept) {
        const int present = IndexOf(id);
        if (present >= 0) {
            if (duplicates_ == dupError)
                throw EListError(FormatMessage(QStringLiteral("Id %d staat al in de lijst"), {id}));
            return present;
        }
    }
    std::size_t pos = ids_.size();
    if (sorted_) {
        pos = lowerBound(id);
        // Equal ids (mode dupAccept) go after the ones already there.
        while (pos < ids_.size() && ids_[pos] == id)
            ++pos;
    }
    ids_.insert(ids_.begin() + static_cast<std::ptrdiff_t>(pos), id);
    if (object != nullptr || !objects_.empty()) {
        std::vector<void*>& objects = attachObjects();
        if (objects.size() < ids_.size() - 1)
            objects.resize(ids_.size() - 1, nullptr);
        objects.insert(objects.begin() + static_cast<std::ptrdiff_t>(pos), object);
    }
    return static_cast<int>(pos);
}

int TIDList::indexOfUnsorted(std::int32_t id) const {
    const auto it = std::find(ids_.begin(), ids_.end(), id);
    return it == ids_.end() ? -1 : static_cast<int>(it - ids_.begin());
}

void TIDList::raiseIndexError(int index) {
    throw EListError(FormatMessage(QStringLiteral("Lijstindex buiten bereik (%d)"), {index}));
}

void TIDList::SetObject(int index, void* object) {
    checkIndex(index);
    if (object == nullptr && objects_.empty())
        return;
    if (objects_.empty())
        objects_.assign(ids_.size(), nullptr);
    objects_[static_cast<std::size_t>(index)] = object;
}

void TIDList::Delete(int index) {
    checkIndex(index);
    ids_.erase(ids_.begin() + index);
    if (!objects_.empty())
        objects_.erase(objects_.begin() + index);
}

} // namespace vorn
