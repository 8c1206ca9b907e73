#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>

namespace vorn {

namespace memory {
/// Resizes a block of `oldBytes` to `newBytes`, keeping its first `usedBytes`. Large blocks are
/// mapped pages that grow by remapping, so a column of a million rows is never copied while it
/// grows; small blocks live on the heap. A null `block` with `oldBytes` 0 allocates.
void* Resize(void* block, std::size_t oldBytes, std::size_t usedBytes, std::size_t newBytes);
void Release(void* block, std::size_t bytes) noexcept;
} // namespace memory

/// A growable array of plain values (ints, doubles, spans, bytes) for the columns of a table.
template <typename T> class PodArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PodArray() = default;
    PodArray(const PodArray& other) { append(other.data_, other.size_); }
    PodArray(PodArray&& other) noexcept { swap(other); }
    PodArray& operator=(PodArray other) noexcept {
        swap(other);
        return *this;
    }
    ~PodArray() { memory::Release(data_, capacity_ * sizeof(T)); }

    void swap(PodArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

    void push_back(T value) {
        if (size_ == capacity_)
            grow(size_ + 1);
        data_[size_++] = value;
    }
    void append(const T* values, std::size_t count) {
        if (count == 0)
            return;
        if (size_ + count > capacity_)
            grow(size_ + count);
        std::memcpy(data_ + size_, values, count * sizeof(T));
        size_ += count;
    }
    /// Appends `count` copies of `value`.
    void append(std::size_t count, T value) {
        reserve(size_ + count);
        for (std::size_t i = 0; i < count; ++i)
            data_[size_ + i] = value;
        size_ += count;
    }
    /// Replaces the contents by `count` copies of `value`.
    void assign(std::size_t count, T value) {
        size_ = 0;
        append(count, value);
    }
    void reserve(std::size_t count) {
        if (count > capacity_)
            resizeBlock(count);
    }

private:
    void grow(std::size_t needed) {
        const std::size_t doubled = capacity_ < 16 ? 16 : capacity_ * 2;
        resizeBlock(doubled > needed ? doubled : needed);
    }
    void resizeBlock(std::size_t count) {
        data_ = static_cast<T*>(
            memory::Resize(data_, capacity_ * sizeof(T), size_ * sizeof(T), count * sizeof(T)));
        capacity_ = count;
    }

    T* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace vorn
