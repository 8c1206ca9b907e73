#pragma once

#include "table.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace vorn {

class TVornClientDataSet;

/// How the rows of a grid are set against the rows of the same grid for another date or period.
struct TComparisonLayout {
    /// Two rows are the same category when these fields hold the same texts (spaces around and
    /// letter case ignored); rows where all of them are empty are matched on `fallbackFields`.
    QStringList matchFields;
    QStringList fallbackFields;
    /// Among rows of the same category (a code used twice), the row with the same value here is
    /// paired first; empty: in their order.
    QString idField;
    /// Shown once per row, from the side that has it.
    QStringList labelFields;
    /// The numbers compared: each becomes a group of four columns (see ComparedFieldName).
    QStringList figureFields;
    /// False where a category of one school year is not that of another (a class): no row is
    /// matched and the rows of the other side are left out, so no difference is ever made up.
    bool matchable = true;
};

enum class TComparedPart : std::uint8_t { Current, Other, Difference, Change };

/// The field of one part of a compared figure: the figure's own name for the current value, with
/// "_VGL", "_VERSCHIL" and "_PROCENT" for the others.
QString ComparedFieldName(const QString& figure, TComparedPart part);
/// The column caption of one part: "Aantal", "Aantal vgl.", "Aantal verschil", "Aantal %".
QString ComparedCaption(const QString& figureCaption, TComparedPart part);

/// The change from `other` to `current` as a user reads it: "+12,5 %", "-100 %" (a value that went
/// to zero), "nieuw" (from zero to a value), "0 %"; empty when either side has no value.
QString ChangeText(std::optional<double> current, std::optional<double> other);

/// Where a compared row's values come from: a position in the current or the other dataset, or
/// none when the category is only on one side.
struct TComparedRow {
    std::optional<int> current;
    std::optional<int> other;
};

/// Pairs the rows of both sides: the current rows in their order, each with the unpaired row of the
/// other side with the same key (the one with the same id, else the first), then the other side's
/// unpaired rows in their order.
std::vector<TComparedRow> PairRows(const TVornClientDataSet& current, const TVornClientDataSet& other,
                                   const TComparisonLayout& layout);

/// The compared rows as a table: the label fields, then for every figure its current value, the
/// other value, the difference (only when both sides have the row) and the change text.
Table CompareRows(const TVornClientDataSet& current, const TVornClientDataSet& other,
                  const TComparisonLayout& layout);

/// One school year of a trend: its rows, the caption of its column ("2025-2026") and its total of
/// the figure (the screen's own total where it has one: a distinct count does not add up).
struct TTrendYear {
    const TVornClientDataSet* rows = nullptr;
    QString caption;
    std::optional<double> total;
};

/// A figure over several school years (oldest first, the last one the screen's own): a row
/// "Totaal" with each year's total, then the `top` largest categories of the last year, each with
/// its value in every year where it is paired (as PairRows pairs it with the last year's row).
/// The label fields become texts; each year a field named by TrendFieldName, captioned by the year.
/// "SJ_2025_2026" for the year captioned "2025-2026" (the `index`-th: "JAAR<index+1>" without caption).
QString TrendFieldName(const QString& caption, int index);
Table TrendRows(const std::vector<TTrendYear>& years, const TComparisonLayout& layout, const QString& figure,
                int top);

/// A copy of a dataset's rows in its current order, every field (calculated and looked-up ones
/// as they read) a data field, to keep one side of a comparison while the dataset is fetched again.
Table RowsInOrder(const TVornClientDataSet& dataSet);

/// Makes `dataSet` a local dataset of the table's fields and rows (its own fields are replaced).
void LoadTable(TVornClientDataSet& dataSet, Table rows);

/// The sum of a figure over one side's rows; empty when the dataset has no such field.
std::optional<double> SumOf(const TVornClientDataSet& dataSet, const QString& figure);

} // namespace vorn
