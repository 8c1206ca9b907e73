#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace vorn {

/// Mixes the bits of a 64-bit key so that neighbouring keys land far apart (the finaliser of MurmurHash3).
inline std::size_t MixBits(std::uint64_t key) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    key *= 0xc4ceb9fe1a85ec53ULL;
    key ^= key >> 33;
    return static_cast<std::size_t>(key);
}

struct TIntegerHash {
    std::size_t operator()(std::uint64_t key) const { return MixBits(key); }
};

struct TTextHash {
    std::size_t operator()(std::string_view text) const {
        return MixBits(std::hash<std::string_view>()(text));
    }
};

constexpr std::uint32_t NoId = 0xFFFFFFFFu;

/// Dense ids 0, 1, 2... for keys in the order they are first seen. The table holds only ids (open
/// addressing, linear probing); the keys live once, in id order, in Keys().
template <typename Key, typename Hash> class TIdMap {
public:
    explicit TIdMap(std::size_t expected = 0) { rehash(SlotsFor(expected)); }

    /// The id of the key, a new one when it was not seen before.
    std::uint32_t Insert(const Key& key) {
        std::size_t slot = hash_(key) & mask_;
        while (slots_[slot] != 0) {
            const std::uint32_t id = slots_[slot] - 1;
            if (keys_[id] == key)
                return id;
            slot = (slot + 1) & mask_;
        }
        const auto id = static_cast<std::uint32_t>(keys_.size());
        keys_.push_back(key);
        slots_[slot] = id + 1;
        if (keys_.size() * 2 > slots_.size())
            rehash(slots_.size() * 2);
        return id;
    }

    /// The id of the key, or NoId when it was never inserted.
    std::uint32_t Find(const Key& key) const {
        std::size_t slot = hash_(key) & mask_;
        while (slots_[slot] != 0) {
            const std::uint32_t id = slots_[slot] - 1;
            if (keys_[id] == key)
                return id;
            slot = (slot + 1) & mask_;
        }
        return NoId;
    }

    std::size_t Size() const { return keys_.size(); }
    const std::vector<Key>& Keys() const { return keys_; }
    std::size_t MemoryBytes() const {
        return slots_.capacity() * sizeof(std::uint32_t) + keys_.capacity() * sizeof(Key);
    }

private:
    static std::size_t SlotsFor(std::size_t keys) {
        std::size_t count = 16;
        while (count < keys * 2)
            count *= 2;
        return count;
    }

    void rehash(std::size_t slotCount) {
        slots_.assign(slotCount, 0);
        mask_ = slotCount - 1;
        for (std::size_t id = 0; id < keys_.size(); ++id) {
            std::size_t slot = hash_(keys_[id]) & mask_;
            while (slots_[slot] != 0)
                slot = (slot + 1) & mask_;
            slots_[slot] = static_cast<std::uint32_t>(id + 1);
        }
    }

    std::vector<std::uint32_t> slots_; // id + 1; 0 is an empty slot
    std::vector<Key> keys_;
    std::size_t mask_ = 0;
    Hash hash_;
};

using TIntegerIds = TIdMap<std::uint64_t, TIntegerHash>;
using TTextIds = TIdMap<std::string_view, TTextHash>;

} // namespace vorn
