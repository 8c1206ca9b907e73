#include "roworder.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>

namespace vorn {

namespace {

int compareCells(const Column& column, std::size_t a, std::size_t b) {
    const bool nullA = column.isNull(a);
    const bool nullB = column.isNull(b);
    if (nullA || nullB)
        return nullA == nullB ? 0 : (nullA ? -1 : 1);
    switch (column.kind()) {
    case StorageKind::Int32:
    case StorageKind::Int64: {
        const auto x = column.intAt(a);
        const auto y = column.intAt(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case StorageKind::Double: {
        const double x = column.doubleAt(a);
        const double y = column.doubleAt(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case StorageKind::Bytes:
        return column.bytesAt(a).compare(column.bytesAt(b));
    }
    return 0;
}

/// A sort key with the collation keys of a text column, per stored row.
struct TCollatedKey {
    const Column* column;
    bool descending;
    std::vector<QCollatorSortKey> textKeys;
};

/// Stable sort of the record order by a 32-bit integer column without nulls: nothing to do when
/// the order is already right, else a radix sort in two passes of sixteen bits.
void SortByInt32(std::vector<std::uint32_t>& order, const Column& column, bool descending) {
    const std::size_t n = order.size();
    // Signed keys become unsigned ones in the same order; descending ones are inverted.
    const auto keyOf = [&column, descending](std::uint32_t row) {
        const auto key = static_cast<std::uint32_t>(column.intAt(row)) ^ 0x80000000u;
        return descending ? ~key : key;
    };
    bool sorted = true;
    for (std::size_t i = 1; i < n && sorted; ++i)
        sorted = keyOf(order[i - 1]) <= keyOf(order[i]);
    if (sorted)
        return;
    std::vector<std::uint32_t> keys(n), otherKeys(n), otherOrder(n);
    for (std::size_t i = 0; i < n; ++i)
        keys[i] = keyOf(order[i]);
    for (const int shift : {0, 16}) {
        std::vector<std::uint32_t> start(65537, 0);
        for (const std::uint32_t key : keys)
            ++start[((key >> shift) & 0xFFFFu) + 1];
        for (std::size_t digit = 1; digit < start.size(); ++digit)
            start[digit] += start[digit - 1];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t to = start[(keys[i] >> shift) & 0xFFFFu]++;
            otherKeys[to] = keys[i];
            otherOrder[to] = order[i];
        }
        keys.swap(otherKeys);
        order.swap(otherOrder);
    }
}

/// After a sort by the first key: each run of rows with an equal first key in the order of the
/// other keys, equal ones as they were. Runs are short (a person's enrolments, say).
void SortTiesByInt32(std::vector<std::uint32_t>& order, const std::vector<TSortKey>& keys) {
    if (keys.size() < 2)
        return;
    const Column& first = *keys.front().column;
    const auto before = [&keys](std::uint32_t a, std::uint32_t b) {
        for (std::size_t k = 1; k < keys.size(); ++k) {
            const std::int64_t x = keys[k].column->intAt(a);
            const std::int64_t y = keys[k].column->intAt(b);
            if (x != y)
                return keys[k].descending ? x > y : x < y;
        }
        return false;
    };
    for (std::size_t start = 0; start < order.size();) {
        std::size_t end = start + 1;
        while (end < order.size() && first.intAt(order[end]) == first.intAt(order[start]))
            ++end;
        // Insertion sort: stable, and without the buffer a library sort would take for every run.
        for (std::size_t i = start + 1; i < end; ++i) {
            const std::uint32_t row = order[i];
            std::size_t to = i;
            for (; to > start && before(row, order[to - 1]); --to)
                order[to] = order[to - 1];
            order[to] = row;
        }
        start = end;
    }
}

void SortBySingleInteger(std::vector<std::uint32_t>& order, const TSortKey& key) {
    std::vector<std::pair<std::int64_t, std::uint32_t>> pairs(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        pairs[i] = {key.column->intAt(order[i]), order[i]};
    if (key.descending)
        std::stable_sort(pairs.begin(), pairs.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
    else
        std::stable_sort(pairs.begin(), pairs.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = pairs[i].second;
}

void SortCollated(std::vector<std::uint32_t>& order, const std::vector<TSortKey>& keys) {
    QCollator collator{QLocale(QLocale::Dutch, QLocale::Belgium)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<TCollatedKey> collated;
    for (const TSortKey& key : keys) {
        TCollatedKey& with = collated.emplace_back(TCollatedKey{key.column, key.descending, {}});
        if (key.column->kind() != StorageKind::Bytes)
            continue;
        with.textKeys.reserve(key.column->size());
        for (std::size_t r = 0; r < key.column->size(); ++r)
            // Collation keys do not honour the case setting: the text is folded first.
            with.textKeys.push_back(
                collator.sortKey(QString::fromUtf8(key.column->bytesAt(r)).toCaseFolded()));
    }
    std::stable_sort(order.begin(), order.end(), [&collated](std::uint32_t a, std::uint32_t b) {
        for (const TCollatedKey& key : collated) {
            int c = 0;
            if (!key.textKeys.empty() && !key.column->isNull(a) && !key.column->isNull(b))
                c = key.textKeys[a].compare(key.textKeys[b]);
            else
                c = compareCells(*key.column, a, b);
            if (c != 0)
                return key.descending ? c > 0 : c < 0;
        }
        return false;
    });
}

} // namespace

void SortRowOrder(std::vector<std::uint32_t>& order, const std::vector<TSortKey>& keys) {
    if (keys.empty())
        return;
    const Column& first = *keys.front().column;
    const bool singleInteger = keys.size() == 1 && !first.hasNulls() && first.kind() != StorageKind::Bytes &&
                               first.kind() != StorageKind::Double;
    const bool allInt32 = std::all_of(keys.begin(), keys.end(), [](const TSortKey& key) {
        return key.column->kind() == StorageKind::Int32 && !key.column->hasNulls();
    });
    if (allInt32) {
        SortByInt32(order, first, keys.front().descending);
        SortTiesByInt32(order, keys);
    } else if (singleInteger) {
        SortBySingleInteger(order, keys.front());
    } else {
        SortCollated(order, keys);
    }
}

TKeyIndex::TKeyIndex(const Column& column, const std::vector<std::uint32_t>& order) {
    entries_.reserve(order.size());
    for (std::size_t position = 0; position < order.size(); ++position)
        if (!column.isNull(order[position]))
            entries_.emplace_back(column.intAt(order[position]), static_cast<std::uint32_t>(position));
    // Stable, so the first row of equal keys comes first.
    std::stable_sort(entries_.begin(), entries_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

int TKeyIndex::Find(std::int64_t key) const {
    const auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                                     [](const auto& entry, std::int64_t k) { return entry.first < k; });
    return it != entries_.end() && it->first == key ? static_cast<int>(it->second) : -1;
}

} // namespace vorn
