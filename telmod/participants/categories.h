#pragma once

// What the two participant screens do alike with their category lists: a list of statistics keyed by
// category id, the naming of a category value from its name list, the category table behind a grid
// and the bar chart of one figure. The statistic class differs per regime, hence the templates.

#include "host/controls/barchart.h"
#include "host/data/clientdataset.h"
#include "host/data/idlist.h"

#include <QCollator>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace telmod {

/// Bar height of the participant charts, in pixels.
constexpr int ParticipantBarHeight = 26;
/// Room for the longest code of a category value: a class code is a track code (15), a blank and a
/// class code (10); a fee-rate code has 50 characters.
constexpr int CategoryCodeWidth = 50;
constexpr int CategoryDescriptionWidth = 120;

/// A new category list: sorted, and adding an id twice is an error.
std::unique_ptr<vorn::TIDList> NewCategoryList();

/// The statistic of `id` in `list`; a new one (with empty code and description) when absent.
template <class Stat> Stat* GetStat(std::int32_t id, vorn::TIDList& list) {
    const int index = list.IndexOf(id);
    if (index >= 0)
        return list.GetObjectAs<Stat>(index);
    auto stat = std::make_unique<Stat>();
    stat->SetSourceID(id);
    list.AddObject(id, stat.get());
    return stat.release();
}

/// Frees every statistic of the list and empties it, from the last entry to the first.
template <class Stat> void FreeStatistics(vorn::TIDList& list) {
    for (int index = list.Count() - 1; index >= 0; --index) {
        delete list.GetObjectAs<Stat>(index);
        list.Delete(index);
    }
}

/// Where the code and description of a category value come from: the row of the name list whose
/// key field holds the value's id.
struct NameList {
    vorn::TVornClientDataSet* dataSet;
    QString keyField;
    std::function<QString(const vorn::TVornClientDataSet&)> code;
    std::function<QString(const vorn::TVornClientDataSet&)> description;
};

/// The text of one field of the current row (for the code and description of a name list).
std::function<QString(const vorn::TVornClientDataSet&)> FieldText(const QString& field);
/// "? ID : <id>", the name of a category value that its name list does not hold.
QString UnknownCategoryName(std::int32_t id);

/// The statistic of `id`, named from its name list the first time (and again while its code is empty).
template <class Stat> Stat* NamedStat(std::int32_t id, vorn::TIDList& list, const NameList& names) {
    Stat* stat = GetStat<Stat>(id, list);
    if (stat->Code().isEmpty()) {
        if (names.dataSet->LocateID(id, names.keyField)) {
            stat->SetCode(names.code(*names.dataSet));
            stat->SetOmschrijving(names.description(*names.dataSet));
        } else {
            stat->SetCode(UnknownCategoryName(id));
            stat->SetOmschrijving(stat->Code());
        }
    }
    return stat;
}

/// The statistic of a teaching location: named by the location's text the first time.
template <class Stat> Stat* LocationStat(std::int32_t position, vorn::TIDList& list, const QString& text) {
    Stat* stat = GetStat<Stat>(position, list);
    if (stat->Code().isEmpty()) {
        stat->SetCode(text);
        stat->SetOmschrijving(text);
    }
    return stat;
}

/// Teaching locations have no id: a location is numbered by the position at which its text was first
/// met, letter case ignored. The texts of the rows are remembered byte for byte, so that the
/// case-insensitive search runs once per distinct text instead of once per row.
class TLesplaatsen {
public:
    /// The position of the text, appended when no text equal to it (letter case ignored) is there.
    int PositionOf(std::string_view utf8);
    const QStringList& Texts() const { return texts_; }
    QString Text(int position) const { return texts_.value(position); }
    void Clear();

private:
    /// Finds a std::string key by a std::string_view without building a string.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    QStringList texts_;
    std::unordered_map<std::string, int, TextHash, std::equal_to<>> seen_;
};

/// A small map from 32-bit ids to 32-bit values, found with one probe mostly (open addressing).
class TIdMap {
public:
    static constexpr std::uint32_t Absent = 0xFFFFFFFFu;
    std::uint32_t Find(std::int32_t id) const {
        if (slots_.empty())
            return Absent;
        for (std::size_t i = slotOf(id);; i = (i + 1) & mask_) {
            if (slots_[i].value == Absent)
                return Absent;
            if (slots_[i].id == id)
                return slots_[i].value;
        }
    }
    /// `value` must not be Absent.
    void Insert(std::int32_t id, std::uint32_t value);

private:
    struct Slot {
        std::int32_t id;
        std::uint32_t value;
    };
    std::size_t slotOf(std::int32_t id) const {
        return (static_cast<std::uint32_t>(id) * 2654435769u) >> shift_; // Fibonacci hashing
    }
    void grow();
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    int shift_ = 32;
    std::size_t used_ = 0;
};

/// What IncCounts takes from one enrolment row.
struct RowCounts {
    std::int32_t person;
    std::int32_t hours;
    bool fin;
    bool man;
    bool aku;
    bool c98;
};

/// One category of the counting pass. The row walk tells it the category id of every row; afterwards
/// it hands every statistic its rows, in row order, so each statistic counts exactly what it would
/// have counted row by row. A category with many values gets its rows grouped per statistic first:
/// its counters and person list then stay in cache while its rows are counted, instead of a cache
/// miss for nearly every row. The category's lookup operation runs once per distinct id.
template <class Stat> class CategoryPass {
public:
    using Lookup = std::function<Stat*(std::int32_t)>;
    CategoryPass(Lookup lookup, std::size_t rows) : lookup_(std::move(lookup)) { ordinals_.reserve(rows); }

    void Add(std::int32_t id) {
        // Neighbouring rows often share a value of a category with few values. Until a first id is
        // looked up there is no last value, even when skipped rows came first.
        if (id != lastId_ || lastOrdinal_ == TIdMap::Absent) {
            lastOrdinal_ = known_.Find(id);
            if (lastOrdinal_ == TIdMap::Absent)
                lastOrdinal_ = firstSight(id);
            lastId_ = id;
        }
        ordinals_.push_back(lastOrdinal_);
    }
    void AddAll(const std::vector<std::int32_t>& ids) {
        if (ids.empty())
            return;
        const auto [low, high] = std::minmax_element(ids.begin(), ids.end());
        const std::int64_t range = std::int64_t{*high} - *low + 1;
        if (range > DenseLimit || range > 8 * static_cast<std::int64_t>(ids.size())) {
            for (const std::int32_t id : ids)
                Add(id);
            return;
        }
        // Ids close together (the usual case): a table indexed by id finds each in one step.
        std::vector<std::uint32_t> byId(static_cast<std::size_t>(range), TIdMap::Absent);
        for (const std::int32_t id : ids) {
            std::uint32_t& ordinal = byId[static_cast<std::size_t>(std::int64_t{id} - *low)];
            if (ordinal == TIdMap::Absent) {
                ordinal = known_.Find(id);
                if (ordinal == TIdMap::Absent)
                    ordinal = firstSight(id);
            }
            ordinals_.push_back(ordinal);
        }
    }
    /// The row is counted in no value of this category.
    void Skip() { ordinals_.push_back(NotCounted); }

    template <class Count> void CountRows(const std::vector<RowCounts>& rows, const Count& count) const {
        if (stats_.size() <= DirectLimit) {
            for (std::size_t row = 0; row < rows.size(); ++row)
                if (ordinals_[row] != NotCounted)
                    count(*stats_[ordinals_[row]], rows[row]);
            return;
        }
        std::vector<std::uint32_t> start(stats_.size() + 1, 0);
        for (const std::uint32_t ordinal : ordinals_)
            if (ordinal != NotCounted)
                ++start[ordinal + 1];
        for (std::size_t i = 1; i < start.size(); ++i)
            start[i] += start[i - 1];
        std::vector<std::uint32_t> next(start.begin(), start.end() - 1);
        std::vector<RowCounts> grouped(start.back());
        for (std::size_t row = 0; row < rows.size(); ++row)
            if (ordinals_[row] != NotCounted)
                grouped[next[ordinals_[row]]++] = rows[row];
        for (std::size_t ordinal = 0; ordinal < stats_.size(); ++ordinal)
            for (std::uint32_t i = start[ordinal]; i < start[ordinal + 1]; ++i)
                count(*stats_[ordinal], grouped[i]);
    }

private:
    static constexpr std::uint32_t NotCounted = 0xFFFFFFFEu;
    static constexpr std::size_t DirectLimit = 64;
    static constexpr std::int64_t DenseLimit = 1 << 22;

    std::uint32_t firstSight(std::int32_t id) {
        Stat* stat = lookup_(id);
        const std::uint32_t ordinal =
            stat == nullptr ? NotCounted : static_cast<std::uint32_t>(stats_.size());
        if (stat != nullptr)
            stats_.push_back(stat);
        known_.Insert(id, ordinal);
        return ordinal;
    }

    Lookup lookup_;
    TIdMap known_;
    std::int32_t lastId_ = 0;
    std::uint32_t lastOrdinal_ = TIdMap::Absent;
    std::vector<Stat*> stats_;
    std::vector<std::uint32_t> ordinals_;
};

/// The teaching location of every row: its position in `locations`, or none for an empty text.
template <class Stat>
void AddLocations(CategoryPass<Stat>& pass, const std::vector<std::string_view>& texts,
                  TLesplaatsen& locations) {
    for (const std::string_view text : texts) {
        if (text.empty())
            pass.Skip();
        else
            pass.Add(locations.PositionOf(text));
    }
}

/// Labels and sums of a regime's category tables.
struct CategoryTableLayout {
    bool creditHours;   // the OSP table has the credit-hour requests
    QString womenLabel; // "Vrouwen." (OSP) or "Vrouwen" (VWO)
};

/// Defines the category table's fields and aggregates the first time; afterwards only the field
/// settings are applied again.
void PrepareCategoryTable(vorn::TVornClientDataSet& table, const CategoryTableLayout& layout);
/// Makes the first row current and switches the sums on (after the last row is in).
void ActivateCategoryTable(vorn::TVornClientDataSet& table);

/// Fills a category table with one row per statistic of the list, in ascending id order.
template <class Stat>
void FillCategoryTable(vorn::TVornClientDataSet& table, const vorn::TIDList& list,
                       const CategoryTableLayout& layout) {
    table.Close();
    PrepareCategoryTable(table, layout);
    table.DisableControls();
    try {
        std::vector<vorn::TField*> f;
        for (int i = 0; i < table.FieldCount(); ++i)
            f.push_back(&table.Fields(i));
        for (int index = 0; index < list.Count(); ++index) {
            const Stat& stat = *list.GetObjectAs<Stat>(index);
            table.Append();
            std::size_t i = 0;
            f[i++]->SetAsInteger(list.GetID(index));
            f[i++]->SetAsString(stat.Code());
            f[i++]->SetAsString(stat.Omschrijving());
            f[i++]->SetAsInteger(stat.LesurenCursist());
            f[i++]->SetAsInteger(stat.Count());
            f[i++]->SetAsInteger(stat.FinCount());
            f[i++]->SetAsInteger(stat.NotFinNount());
            f[i++]->SetAsInteger(stat.PersoonCount());
            f[i++]->SetAsInteger(stat.ManCount());
            f[i++]->SetAsInteger(stat.VrouwCount());
            if constexpr (Stat::HasCreditHours)
                f[i++]->SetAsInteger(stat.KredietUrenCount());
            f[i++]->SetAsInteger(stat.C98Count());
            table.Post();
        }
        ActivateCategoryTable(table);
    } catch (...) {
        table.EnableControls();
        throw;
    }
    table.EnableControls();
}

/// Orders items by their code: letter case ignored, the locale's collation; equal codes keep their
/// order. Each code's collation key is made once, so that a change of figure redraws quickly.
template <class Item, class CodeOf> void OrderByCode(std::vector<Item>& items, const CodeOf& codeOf) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QCollatorSortKey, Item>> keyed;
    keyed.reserve(items.size());
    for (const Item& item : items)
        keyed.emplace_back(collator.sortKey(codeOf(item).toCaseFolded()),
                           item); // keys ignore the case setting
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i] = keyed[i].second;
}

/// "<figure> <page caption in lower case>"; only the letters A to Z are lowered.
QString ChartCaption(const QString& figure, const QString& pageCaption);

/// One bar per statistic of the list, in code order (letter case ignored, the locale's collation),
/// labelled by description; the chart grows to the bar height per entry and never shrinks.
template <class Stat>
void ShowChartData(int statType, const vorn::TIDList& list, vorn::TBarChart& chart, const QString& caption) {
    chart.SetCaption(caption);
    chart.BeginUpdate();
    try {
        chart.Clear();
        std::vector<const Stat*> stats;
        stats.reserve(static_cast<std::size_t>(list.Count()));
        for (int index = 0; index < list.Count(); ++index)
            stats.push_back(list.GetObjectAs<Stat>(index));
        OrderByCode(stats, [](const Stat* stat) -> const QString& { return stat->Code(); });
        const int height = ParticipantBarHeight * list.Count();
        if (height > chart.Height())
            chart.SetHeight(height);
        for (const Stat* stat : stats)
            chart.AddBar(stat->Omschrijving(), stat->GetTypeCount(statType), vorn::clYellow);
    } catch (...) {
        chart.EndUpdate();
        throw;
    }
    chart.EndUpdate();
}

} // namespace telmod
