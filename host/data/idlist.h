#pragma once

#include <cstdint>
#include <vector>

namespace vorn {

enum TDuplicates : std::uint8_t { dupIgnore = 0, dupAccept = 1, dupError = 2 };

/// A list of 32-bit ids, each with an attached object. Sorted lists keep ascending ids and
/// find them by binary search. The list does not own its objects.
class TIDList {
public:
    explicit TIDList(int capacity = 10, bool sorted = true, TDuplicates duplicates = dupIgnore);

    int Count() const { return static_cast<int>(entries_.size()); }
    bool Sorted() const { return sorted_; }
    /// Switching sorting on orders the present entries by id.
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates duplicates) { duplicates_ = duplicates; }

    /// Adds an id without object; answers its index. In mode dupIgnore a present id is left alone
    /// and its index answered; in mode dupError it raises.
    int Add(std::int32_t id);
    int AddObject(std::int32_t id, void* object);
    /// Index of the id, -1 when absent.
    int IndexOf(std::int32_t id) const;
    std::int32_t GetID(int index) const;
    void* GetObject(int index) const;
    template <typename T> T* GetObjectAs(int index) const { return static_cast<T*>(GetObject(index)); }
    void SetObject(int index, void* object);
    void Delete(int index);
    void Clear() { entries_.clear(); }

private:
    struct Entry {
        std::int32_t id;
        void* object;
    };
    void checkIndex(int index) const;
    /// Position where `id` is or would be inserted in a sorted list.
    std::size_t lowerBound(std::int32_t id) const;

    std::vector<Entry> entries_;
    bool sorted_;
    TDuplicates duplicates_;
};

} // namespace vorn
