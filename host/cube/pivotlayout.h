#pragma once

#include "cubedefinition.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace vorn {

class TCube;

/// A member on an axis by the member codes of its dimensions, the outermost first.
using TMemberPath = std::vector<std::uint32_t>;

/// How one axis is arranged. Levels count from 1, the members of the outermost dimension.
struct TAxisLayout {
    std::vector<int> dimensions; // cube dimensions, outermost first; may be empty
    bool grandTotal = true;
    bool subtotals = true;
    /// Members are sorted within their parent: by label, or by their total of measure
    /// `sortMeasure` over the whole other axis. The member "(leeg)" stays last in label order.
    TSortBy sortBy = TSortBy::Label;
    int sortMeasure = 0;
    /// By a measure: the line of the other axis whose values sort the members (its members' codes,
    /// as TAxisLine::path); empty, or a line the other axis no longer has: its grand total.
    TMemberPath sortLine;
    bool descending = false;
    /// A collapsed member shows one line with its total instead of its children. A member is
    /// collapsed when its path is in `collapsed`, or its level is collapsed and its path is not in
    /// `expanded`.
    std::set<int> collapsedLevels;
    std::set<TMemberPath> collapsed;
    std::set<TMemberPath> expanded;

    bool operator==(const TAxisLayout&) const = default;
};

/// Everything a pivot viewer changes.
struct TPivotLayout {
    TAxisLayout rows;
    TAxisLayout columns;
    /// Per dimension (on an axis or not), the member codes whose rows are kept.
    std::map<int, std::set<std::uint32_t>> filters;
    std::vector<int> measures; // cube measures shown side by side
    TShowAs showAs = TShowAs::Value;
    /// The base field of a show-as along a field: a cube dimension on an axis; -1 (or one on no
    /// axis): the innermost row dimension, else the innermost column dimension.
    int showAsDimension = -1;

    bool operator==(const TPivotLayout&) const = default;
};

/// Where a dimension of the cube is: in no zone, on the rows, on the columns, or among the filters.
enum class TCubeZone : int { Unused, Rows, Columns, Filters };

/// A layout as a field list shows it: the pivot's layout, and the dimensions put in the "Filters"
/// zone that are on no axis (filtered or not yet), in the order they were put there.
struct TZonedLayout {
    TPivotLayout pivot;
    std::vector<int> filterZone;

    bool operator==(const TZonedLayout&) const = default;
};

/// The layout stored in the cube's definition; filter labels the rows lack are left out.
TPivotLayout DefinedLayout(const TCube& cube);
/// The same for a stored layout of the cube's definition (one saved earlier by LayoutDefinition);
/// its names must be the definition's.
TPivotLayout DefinedLayout(const TCube& cube, const TCubeLayoutDef& stored);
/// A layout as a definition stores it (names and labels), to save a rearranged cube. Collapsed
/// members are not stored.
TCubeLayoutDef LayoutDefinition(const TCube& cube, const TPivotLayout& layout);

/// Column widths a user set by dragging a heading's right edge, in pixels: per heading column, and
/// per cube measure for all of its value columns.
struct TPivotColumnWidths {
    std::map<int, int> headings;
    std::map<int, int> measures;

    bool operator==(const TPivotColumnWidths&) const = default;
};

/// Raises ECubeError when the layout does not fit the cube: a dimension twice or out of range, a
/// member, measure, sort measure or show-as field out of range.
void RequireLayoutFits(const TCube& cube, const TPivotLayout& layout);

/// A layout as remembered between sessions: by names and labels, so that it survives new rows and
/// a changed order of the definition. Collapsed members are not remembered.
QString RememberedLayoutText(const TCube& cube, const TPivotLayout& layout);
/// A remembered layout read back against the cube; nothing when the text is not a layout or no
/// longer fits (a name gone, every member of a filter gone).
std::optional<TPivotLayout> LayoutFromRememberedText(const TCube& cube, const QString& text);

/// Column widths as remembered: headings by column number, measures by name
/// ({"koppen": {"0": 120}, "maten": {"Uren": 70}}); no widths: empty.
QString RememberedWidthsText(const TCube& cube, const TPivotColumnWidths& widths);
/// Remembered widths read back: a measure the definition no longer has is left out, a width is
/// at most 2000.
TPivotColumnWidths WidthsFromRememberedText(const TCube& cube, const QString& text);

/// The "Filters" zone a layout keeps: the dimensions put there that are on no axis, then every
/// filtered dimension that is on no axis.
std::vector<int> SettledFilterZone(const TPivotLayout& layout, std::vector<int> filterZone);
/// The layout with a dimension moved into a zone before `position` (clamped; a move within a zone
/// counts positions as they were before the move). An axis whose dimensions change forgets its
/// collapsed members; a dimension taken out of the pivot filters no more. Raises ECubeError for a
/// dimension the cube does not have.
TZonedLayout MovedDimension(const TCube& cube, const TZonedLayout& from, int dimension, TCubeZone zone,
                            int position);
/// Keeps only the rows with these members of a dimension; none or all of them: no filter.
void KeepMembers(TPivotLayout& layout, const TCube& cube, int dimension, const std::set<std::uint32_t>& kept);
/// Sorts the rows by a measure in one line of the columns (its members' codes; empty: the grand
/// total); asked for the same sort again, the order turns.
void SortRowsByMeasure(TAxisLayout& rows, int measure, const TMemberPath& columnLine);

/// What a dimension is called: its caption, else its field's name.
QString DimensionCaption(const TCube& cube, int dimension);
/// The dimension a layout's show-as along a field goes along; -1 when the axes have none.
int ShowAsBaseDimension(const TPivotLayout& layout);

/// The filters of a layout as a reader needs them on every output, one "Caption: member, member"
/// each in member order; a long list is cut with how many of how many members are kept.
QStringList FilterDescriptions(const TCube& cube, const TPivotLayout& layout);

bool IsCollapsed(const TAxisLayout& axis, const TMemberPath& path);
/// Collapses or expands one member, whatever its level says.
void SetCollapsed(TAxisLayout& axis, const TMemberPath& path, bool collapsed);
/// Collapses or expands every member of a level, forgetting the members set apart on that level.
void SetLevelCollapsed(TAxisLayout& axis, int level, bool collapsed);

} // namespace vorn
