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

/// The named statistics of a category list by id, found with one probe mostly: the counting pass
/// asks for one per row and category. It does not own them and must be emptied whenever the
/// statistics of its list are freed.
class TStatIndex {
public:
    void* Find(std::int32_t id) const {
        if (slots_.empty())
            return nullptr;
        for (std::size_t i = slotOf(id);; i = (i + 1) & mask_) {
            if (slots_[i].stat == nullptr)
                return nullptr;
            if (slots_[i].id == id)
                return slots_[i].stat;
        }
    }
    void Remember(std::int32_t id, void* stat);
    void Clear();

private:
    struct Slot {
        std::int32_t id;
        void* stat;
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

/// Where the code and description of a category value come from: the row of the name list whose
/// key field holds the value's id. `named` remembers the statistics already named.
struct NameList {
    vorn::TVornClientDataSet* dataSet;
    QString keyField;
    std::function<QString(const vorn::TVornClientDataSet&)> code;
    std::function<QString(const vorn::TVornClientDataSet&)> description;
    TStatIndex named = {};
};

/// The text of one field of the current row (for the code and description of a name list).
std::function<QString(const vorn::TVornClientDataSet&)> FieldText(const QString& field);
/// "? ID : <id>", the name of a category value that its name list does not hold.
QString UnknownCategoryName(std::int32_t id);

/// The statistic of `id`, named from its name list the first time (and again while its code is empty).
template <class Stat> Stat* NamedStat(std::int32_t id, vorn::TIDList& list, NameList& names) {
    if (void* known = names.named.Find(id))
        return static_cast<Stat*>(known);
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
    if (!stat->Code().isEmpty())
        names.named.Remember(id, stat);
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
    QStringList texts_;
    std::unordered_map<std::string, int> seen_;
};

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
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::stable_sort(stats.begin(), stats.end(), [&collator](const Stat* a, const Stat* b) {
            return collator.compare(a->Code(), b->Code()) < 0;
        });
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
