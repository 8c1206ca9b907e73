#pragma once

// What the two participant screens do alike with their category lists: a list of statistics keyed by
// category id, the naming of a category value from its name list, the category table behind a grid
// and the bar chart of one figure. The statistic class differs per regime, hence the templates.

#include "host/controls/barchart.h"
#include "host/data/clientdataset.h"
#include "host/data/idlist.h"
#include "host/data/idmap.h"
#include "statistic.h"

#include <QCollator>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
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

/// What the counting pass reads of one enrolment row.
struct RowCounts {
    std::int32_t person;
    std::int32_t hours;
    bool fin;
    bool man;
    bool aku;
    bool c98;
};

/// The value of a category for each row, by position in the dataset's order: a dataset column read
/// in place, or ids worked out beforehand (teaching locations), where NoValue marks a row without a
/// value. Both are read the same way, through the dataset's order, so the counting walk needs no
/// branch to tell them apart.
class TRowIds {
public:
    static constexpr std::int32_t NoValue = -1;
    explicit TRowIds(vorn::TIntegerColumnView column)
        : column_(std::move(column)), values_(column_->Values()), order_(column_->Order()),
          size_(column_->size()) {}
    /// `ids` indexed like the dataset's stored rows; `order` the dataset's order of them.
    TRowIds(std::vector<std::int32_t> ids, const std::vector<std::uint32_t>& order)
        : owned_(std::move(ids)), values_(owned_.data()), order_(order.data()), size_(order.size()),
          hasNoValue_(true) {}

    std::int32_t operator[](std::size_t position) const { return values_[order_[position]]; }
    std::size_t size() const { return size_; }
    /// Whether this id marks a row without a value.
    bool IsNoValue(std::int32_t id) const { return hasNoValue_ && id == NoValue; }

private:
    // Moving a vector keeps its buffer, so the pointers stay valid when the ids are moved.
    std::optional<vorn::TIntegerColumnView> column_;
    std::vector<std::int32_t> owned_;
    const std::int32_t* values_;
    const std::uint32_t* order_;
    std::size_t size_;
    bool hasNoValue_ = false;
};

/// The ordinal of each distinct id of a category: a table indexed by id when the ids lie close
/// together (the usual case: one step), a hash map otherwise.
class TIdOrdinals {
public:
    static constexpr std::uint32_t Absent = 0xFFFFFFFFu;
    static constexpr std::uint32_t NotCounted = 0xFFFFFFFEu;
    /// Makes room for the ids of the rows and answers each distinct one once, in ascending order.
    std::vector<std::int32_t> Prepare(const TRowIds& rows);
    void Assign(std::int32_t id, std::uint32_t ordinal);
    std::uint32_t Find(std::int32_t id) const {
        if (dense_)
            return table_[static_cast<std::size_t>(std::int64_t{id} - low_)];
        const std::uint32_t slot = sparse_.Find(static_cast<std::uint32_t>(id));
        return slot == vorn::NoId ? Absent : sparseOrdinals_[slot];
    }

private:
    static constexpr std::int64_t DenseLimit = 1 << 22;
    bool dense_ = false;
    std::int32_t low_ = 0;
    std::vector<std::uint32_t> table_;
    // Ids far apart: each id's place in the map, and the ordinal at that place.
    vorn::TIntegerIds sparse_;
    std::vector<std::uint32_t> sparseOrdinals_;
};

/// One category of the counting pass: the statistic of each of its values, made once per value in
/// ascending id order (so that a sorted list only ever appends), and one tally per value.
template <class Stat> class CategoryCount {
public:
    using Lookup = std::function<Stat*(std::int32_t)>;
    static constexpr std::uint32_t NotCounted = TIdOrdinals::NotCounted;

    /// A lookup that answers null leaves that value's rows uncounted.
    CategoryCount(TRowIds ids, const Lookup& lookup) : ids_(std::move(ids)) {
        for (const std::int32_t id : ordinals_.Prepare(ids_)) {
            Stat* stat = ids_.IsNoValue(id) ? nullptr : lookup(id);
            ordinals_.Assign(id, stat == nullptr ? NotCounted : static_cast<std::uint32_t>(stats_.size()));
            if (stat != nullptr)
                stats_.push_back(stat);
        }
        tallies_.resize(stats_.size());
    }
    std::uint32_t OrdinalAt(std::size_t position) const { return ordinals_.Find(ids_[position]); }
    TTally& Tally(std::uint32_t ordinal) { return tallies_[ordinal]; }
    void ClearTallies() { std::fill(tallies_.begin(), tallies_.end(), TTally{}); }
    /// Adds every value's tally to its statistic.
    void HandOver() const {
        for (std::size_t ordinal = 0; ordinal < stats_.size(); ++ordinal)
            stats_[ordinal]->AddCounted(tallies_[ordinal]);
    }

private:
    TRowIds ids_;
    TIdOrdinals ordinals_;
    std::vector<Stat*> stats_;
    std::vector<TTally> tallies_;
};

/// Counts one row in a value's tally; a person's first row in the value decides man and C98. Without
/// branches: which way a row goes is as good as random for the processor.
inline void CountInTally(TTally& tally, const RowCounts& row) {
    const std::uint32_t newPerson = (tally.persons == 0) | (tally.lastPerson != row.person);
    ++tally.count;
    tally.fin += row.fin;
    tally.hours += static_cast<std::uint32_t>(row.hours) & (0u - static_cast<std::uint32_t>(row.fin));
    tally.creditHours += row.aku;
    tally.persons += newPerson;
    tally.men += newPerson & row.man;
    tally.c98 += newPerson & row.c98;
    tally.lastPerson = row.person;
}

/// The positions of the rows ordered by person, equal persons in their order: for rows whose
/// persons do not already ascend.
std::vector<std::uint32_t> PersonOrder(std::size_t rows,
                                       const std::function<std::int32_t(std::size_t)>& personAt);

/// The counting pass: every row counted once in each category, in one walk over the rows. The rows
/// are visited in person order, which is the dataset's order when its persons ascend (the screens
/// sort by person first); otherwise the walk starts again over the rows reordered by person. Rows of
/// person 0 count in no tally when `skipPersonZero`, though their values still get a statistic.
template <class Stat, class ReadRow>
void CountCategories(std::vector<CategoryCount<Stat>>& categories, std::size_t rows, const ReadRow& readRow,
                     bool skipPersonZero) {
    // The rows' figures once, in person order; then one category at a time, so that only its tallies
    // compete for the cache.
    std::vector<RowCounts> figures(rows);
    std::vector<std::uint32_t> positions;
    bool inPersonOrder = true;
    for (std::size_t i = 0; i < rows && inPersonOrder; ++i) {
        figures[i] = readRow(i);
        inPersonOrder = i == 0 || figures[i - 1].person <= figures[i].person;
    }
    if (!inPersonOrder) {
        positions = PersonOrder(rows, [&](std::size_t position) { return readRow(position).person; });
        for (std::size_t i = 0; i < rows; ++i)
            figures[i] = readRow(positions[i]);
    }
    for (CategoryCount<Stat>& category : categories) {
        for (std::size_t i = 0; i < rows; ++i) {
            const RowCounts& row = figures[i];
            if (skipPersonZero && row.person == 0)
                continue;
            const std::uint32_t ordinal = category.OrdinalAt(positions.empty() ? i : positions[i]);
            if (ordinal != CategoryCount<Stat>::NotCounted)
                CountInTally(category.Tally(ordinal), row);
        }
        category.HandOver();
    }
}

/// The teaching location of every row, numbered in the order of `rows` (the texts of `field`) and
/// indexed like its stored rows: its position in `locations`, or NoValue for an empty text.
TRowIds LocationIds(const vorn::TVornClientDataSet& rows, const char* field, TLesplaatsen& locations);

/// Persons counted once each over all rows, whatever their category: the totals line of the VWO
/// screen. A row without a person counts as person 0; a person is a man when a row of theirs says
/// "M" and a woman when one says "V".
struct TPersonTotals {
    std::int32_t persons = 0;
    std::int32_t men = 0;
    std::int32_t women = 0;

    bool operator==(const TPersonTotals&) const = default;
};
TPersonTotals CountPersonTotals(const vorn::TIntegerColumnView& person, const vorn::TTextColumnView& sex);

/// Labels and sums of a regime's category tables.
struct CategoryTableLayout {
    bool creditHours;   // the OSP table has the credit-hour requests
    QString womenLabel; // "Vrouwen." (OSP) or "Vrouwen" (VWO)
};

/// Defines the category table's fields and aggregates the first time; afterwards only the field
/// settings are applied again. The table stays closed.
void PrepareCategoryTable(vorn::TVornClientDataSet& table, const CategoryTableLayout& layout);
/// Makes the first row current and switches the sums on (after the last row is in).
void ActivateCategoryTable(vorn::TVornClientDataSet& table);

/// Fills a category table with one row per statistic of the list, in ascending id order: the rows are
/// built column by column with typed values and handed to the table at once.
template <class Stat>
void FillCategoryTable(vorn::TVornClientDataSet& table, const vorn::TIDList& list,
                       const CategoryTableLayout& layout) {
    table.Close();
    PrepareCategoryTable(table, layout);
    vorn::Table rows(table.FieldDefs());
    for (vorn::Column& column : rows.columns)
        column.reserve(static_cast<std::size_t>(list.Count()));
    for (int index = 0; index < list.Count(); ++index) {
        const Stat& stat = *list.GetObjectAs<Stat>(index);
        std::size_t i = 0;
        rows.columns[i++].appendInt(list.GetID(index));
        vorn::AppendText(rows.columns[i], rows.fields[i], stat.Code());
        ++i;
        vorn::AppendText(rows.columns[i], rows.fields[i], stat.Omschrijving());
        ++i;
        for (const std::int32_t figure :
             {stat.LesurenCursist(), stat.Count(), stat.FinCount(), stat.NotFinNount(), stat.PersoonCount(),
              stat.ManCount(), stat.VrouwCount()})
            rows.columns[i++].appendInt(figure);
        if constexpr (Stat::HasCreditHours)
            rows.columns[i++].appendInt(stat.KredietUrenCount());
        rows.columns[i++].appendInt(stat.C98Count());
    }
    table.DisableControls();
    try {
        table.CreateDataSet(std::move(rows));
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

/// A bar's label: the description, or the code when there is none (a branch without a name would
/// otherwise be an unlabelled bar).
inline QString BarLabel(const QString& description, const QString& code) {
    return description.trimmed().isEmpty() ? code : description;
}

/// One bar per statistic of the list, in code order (letter case ignored, the locale's collation),
/// labelled by description (else code); the chart grows to the bar height per entry and never
/// shrinks.
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
            chart.AddBar(BarLabel(stat->Omschrijving(), stat->Code()), stat->GetTypeCount(statType),
                         vorn::clYellow);
    } catch (...) {
        chart.EndUpdate();
        throw;
    }
    chart.EndUpdate();
}

} // namespace telmod
