#pragma once

#include <cstdint>
#include <vector>

namespace vorn {

enum TDuplicates : std::uint8_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

/// A list of 32-bit ids, each with an attached object. Sorted lists keep ascending ids and
/// find them by binary search. The list does not own its objects.
///
/// Ids and objects are kept apart, and the objects only once one is attached: a list of plain ids
/// (the distinct persons of a statistic, say) costs four bytes an entry and its searches stay in cache.
class TIDList {
public:
    explicit TIDList(int capacity = 10, bool sorted = true, TDuplicates duplicates = dupIgnore);

    int Count() const { return static_cast<int>(ids_.size()); }
    bool Sorted() const { return sorted_; }
    /// Switching sorting on orders the present entries by id.
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

    /// Adds an id without object; answers its index. In mode dupIgnore a present id is left alone
    /// and its index answered; in mode dupError it raises.
    int Add(std::int32_t id) { return AddObject(id, nullptr); }
    int AddObject(std::int32_t id, void* object) {
        // Ids mostly arrive in ascending order: appending needs no search.
        if (sorted_ && (ids_.empty() || ids_.back() < id)) {
            append(id, object);
            return Count() - 1;
        }
        // ... and the same id several times in a row.
        if (sorted_ && ids_.back() == id && duplicates_ == dupIgnore)
            return Count() - 1;
        return insertObject(id, object);
    }
    /// Index of the id, -1 when absent.
    int IndexOf(std::int32_t id) const {
        if (!sorted_)
            return indexOfUnsorted(id);
        const std::size_t pos = lowerBound(id);
        return pos < ids_.size() && ids_[pos] == id ? static_cast<int>(pos) : -1;
    }
    std::int32_t GetID(int index) const {
        checkIndex(index);
        return ids_[static_cast<std::size_t>(index)];
    }
    void* GetObject(int index) const {
        checkIndex(index);
        return objects_.empty() ? nullptr : objects_[static_cast<std::size_t>(index)];
    }
    template <typename T> T* GetObjectAs(int index) const { return static_cast<T*>(GetObject(index)); }
    void SetObject(int index, void* object);
    void Delete(int index);
    void Clear() {
        ids_.clear();
        objects_.clear();
    }

private:
    void checkIndex(int index) const {
        if (index < 0 || index >= Count())
            raiseIndexError(index);
    }
    [[noreturn]] static void raiseIndexError(int index);
    void append(std::int32_t id, void* object) {
        ids_.push_back(id);
        if (object != nullptr || !objects_.empty())
            attachObjects().push_back(object);
    }
    /// The object array, filled with nulls up to the ids before the first object is attached.
    std::vector<void*>& attachObjects();
    int insertObject(std::int32_t id, void* object);
    int indexOfUnsorted(std::int32_t id) const;
    /// Position where `id` is or would be inserted in a sorted list. The end is tried first, as ids
    /// mostly arrive in ascending order, often the same one several times. (With duplicates accepted
    /// the first of several equal ids is wanted: no shortcut then.)
    std::size_t lowerBound(std::int32_t id) const {
        if (ids_.empty() || ids_.back() < id)
            return ids_.size();
        if (ids_.back() == id && duplicates_ != dupAccept)
            return ids_.size() - 1;
        return searchFrom(id);
    }
    std::size_t searchFrom(std::int32_t id) const;

    std::vector<std::int32_t> ids_;
    std::vector<void*> objects_; // empty while no object is attached
    std::size_t capacity_;
    bool sorted_;
    TDuplicates duplicates_;
};

} // namespace vorn
