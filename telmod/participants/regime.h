#pragma once

// A regime's categories described once, as data: the screens, the counting pass, printing and the
// selection dialog read the same table, so that a category is added in one place.

#include "categories.h"
#include "participantscreen.h"

#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace telmod {

/// One category of a regime's screen: where its statistics live, how the counting pass finds a
/// row's value and names it, what a report's description and the selection dialog call it, and on
/// which page its grid and chart are.
template <class Form, class Stat> struct TRegimeCategory {
    std::unique_ptr<vorn::TIDList> Form::*list;
    Stat* (Form::*lookup)(std::int32_t);
    /// The column of the counting pass: a value's id, or (`byText`) the text of a teaching
    /// location, which has no id and is numbered by its text.
    const char* keyColumn;
    bool byText;
    const char* keyword; // in a report's description, letter case ignored
    /// A description that holds several keywords chooses the category of the lowest rank (a longer
    /// keyword ranks before one it contains: "modulevariant" before "module").
    int keywordRank;
    const char* dialogItem; // in the selection dialog
    std::size_t page;       // its page of grids and charts
};

/// A regime's categories in the order of the selection dialog: an item is an index.
template <class Form, class Stat> using TRegime = std::vector<TRegimeCategory<Form, Stat>>;

/// The keyword rules of a regime, in the order of their ranks.
template <class Form, class Stat> std::vector<KeywordRule> KeywordRulesOf(const TRegime<Form, Stat>& regime) {
    std::vector<std::pair<int, KeywordRule>> ranked;
    for (std::size_t item = 0; item < regime.size(); ++item)
        ranked.push_back({regime[item].keywordRank, {regime[item].keyword, static_cast<int>(item)}});
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<KeywordRule> rules;
    for (const auto& [rank, rule] : ranked)
        rules.push_back(rule);
    return rules;
}

template <class Form, class Stat> QStringList DialogItemsOf(const TRegime<Form, Stat>& regime) {
    QStringList items;
    for (const TRegimeCategory<Form, Stat>& category : regime)
        items << QString::fromUtf8(category.dialogItem);
    return items;
}

template <class Form, class Stat> void CreateCategoryListsOf(Form& form, const TRegime<Form, Stat>& regime) {
    for (const TRegimeCategory<Form, Stat>& category : regime)
        form.*category.list = NewCategoryList();
}

template <class Form, class Stat> void FreeCategoryListsOf(Form& form, const TRegime<Form, Stat>& regime) {
    for (const TRegimeCategory<Form, Stat>& category : regime)
        FreeStatistics<Stat>(*(form.*category.list));
}

/// The category list of a selection dialog's item; null for an item the regime does not have.
template <class Form, class Stat>
vorn::TIDList* CategoryListOfItem(const Form& form, const TRegime<Form, Stat>& regime, int item) {
    if (item < 0 || item >= static_cast<int>(regime.size()))
        return nullptr;
    return (form.*regime[static_cast<std::size_t>(item)].list).get();
}

/// The category lists in the order of the pages.
template <class Form, class Stat>
std::vector<vorn::TIDList*> CategoryListsByPage(const Form& form, const TRegime<Form, Stat>& regime) {
    std::vector<vorn::TIDList*> lists(regime.size(), nullptr);
    for (const TRegimeCategory<Form, Stat>& category : regime)
        lists.at(category.page) = (form.*category.list).get();
    return lists;
}

/// The categories of the counting pass over `rows`, each value named through the form's lookup;
/// teaching locations are numbered in `locations`.
template <class Form, class Stat>
std::vector<CategoryCount<Stat>> CountedCategories(Form& form, const TRegime<Form, Stat>& regime,
                                                   const vorn::TVornClientDataSet& rows,
                                                   TLesplaatsen& locations) {
    std::vector<CategoryCount<Stat>> categories;
    categories.reserve(regime.size());
    for (const TRegimeCategory<Form, Stat>& category : regime) {
        const auto lookup = [&form, method = category.lookup](std::int32_t id) { return (form.*method)(id); };
        if (category.byText)
            categories.emplace_back(LocationIds(rows, category.keyColumn, locations), lookup);
        else
            categories.emplace_back(
                TRowIds(rows.IntegerView(rows.FieldByName(QString::fromLatin1(category.keyColumn)))), lookup);
    }
    return categories;
}

} // namespace telmod
