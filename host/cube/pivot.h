#pragma once

#include "cube.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace vorn {

namespace cube {
struct TPivotAggregates;
struct TPivotLines;
} // namespace cube

enum class TPivotAxis : std::uint8_t { Rows, Columns };

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

/// The layout stored in the cube's definition; filter labels the rows lack are left out.
TPivotLayout DefinedLayout(const TCube& cube);
/// The same for a stored layout of the cube's definition (one saved earlier by LayoutDefinition);
/// its names must be the definition's.
TPivotLayout DefinedLayout(const TCube& cube, const TCubeLayoutDef& stored);
/// A layout as a definition stores it (names and labels), to save a rearranged cube. Collapsed
/// members are not stored.
TCubeLayoutDef LayoutDefinition(const TCube& cube, const TPivotLayout& layout);

/// What a dimension is called: its caption, else its field's name.
QString DimensionCaption(const TCube& cube, int dimension);
/// A show-as along a field for one run of members of the same parent in the order shown, from
/// their values (nothing for a member without rows): the difference from the previous member
/// (nothing for the first; a member without rows counts as 0 when the other has rows), that
/// difference as a fraction of the previous value (nothing when that is 0 or absent), the running
/// total, or the rank (1 for the highest; equal values share a rank). Anything else: the values.
std::vector<std::optional<double>> AlongAField(TShowAs showAs,
                                               const std::vector<std::optional<double>>& values);
/// The dimension a layout's show-as along a field goes along; -1 when the axes have none.
int ShowAsBaseDimension(const TPivotLayout& layout);

/// The filters of a layout as a reader needs them on every output, one "Caption: member, member"
/// each in member order; a long list is cut with how many of how many members are kept.
QStringList FilterDescriptions(const TCube& cube, const TPivotLayout& layout);

/// What a value filter keeps of a dimension's members: the N with the highest or lowest value of a
/// measure, or those whose value is above or below an amount.
enum class TValueFilterKind : std::uint8_t { Top, Bottom, Above, Below };
struct TValueFilter {
    int dimension = 0;
    int measure = 0;
    TValueFilterKind kind = TValueFilterKind::Top;
    double amount = 10; // N for top and bottom
};
/// The members of the filter's dimension that pass it, each judged by its value of the measure over
/// all rows the layout's other filters keep (as a spreadsheet's value filter judges a field's
/// items); members without a value never pass. The result is a member filter, so that totals count
/// only what is shown.
std::set<std::uint32_t> MembersPassing(std::shared_ptr<const TCube> cube, const TPivotLayout& layout,
                                       const TValueFilter& filter);

bool IsCollapsed(const TAxisLayout& axis, const TMemberPath& path);
/// Collapses or expands one member, whatever its level says.
void SetCollapsed(TAxisLayout& axis, const TMemberPath& path, bool collapsed);
/// Collapses or expands every member of a level, forgetting the members set apart on that level.
void SetLevelCollapsed(TAxisLayout& axis, int level, bool collapsed);

enum class TLineKind : std::uint8_t {
    Member,     // a member of the innermost dimension
    Collapsed,  // a collapsed member: its total, its children hidden
    Subtotal,   // the total of a member, after its children
    GrandTotal, // everything; the only line of an axis without dimensions
};

/// One line of an axis: a row of the pivot, or a column (one per shown measure).
struct TAxisLine {
    TLineKind kind = TLineKind::GrandTotal;
    TMemberPath path; // the members it belongs to; empty for the grand total

    bool operator==(const TAxisLine&) const = default;
};

/// A pivot of a cube: the lines of both axes and any cell's value, computed once per layout.
/// Changing only the sort, totals, collapsed members, shown measures or show-as lays the lines out
/// again from the aggregates already computed; changing the axes' dimensions or the filters
/// aggregates the rows again. Cells are computed for every line and measure but formatted only
/// when asked, so a viewer can show any window onto a large pivot.
class TPivot {
public:
    /// A pivot in the layout of the cube's definition.
    explicit TPivot(std::shared_ptr<const TCube> cube);
    /// Raises ECubeError when the layout does not fit the cube.
    TPivot(std::shared_ptr<const TCube> cube, const TPivotLayout& layout);
    ~TPivot();
    TPivot(const TPivot&) = delete;
    TPivot& operator=(const TPivot&) = delete;

    const TCube& Cube() const { return *cube_; }
    const TPivotLayout& Layout() const { return layout_; }
    /// Raises ECubeError, keeping the previous layout, when the layout does not fit the cube
    /// (a dimension twice or out of range, a member, measure or sort measure out of range).
    void SetLayout(const TPivotLayout& layout);

    int LineCount(TPivotAxis axis) const;
    TAxisLine Line(TPivotAxis axis, int line) const;
    TLineKind LineKind(TPivotAxis axis, int line) const;
    /// The number of members a line belongs to (0 for the grand total).
    int LineDepth(TPivotAxis axis, int line) const;
    /// The text of a line at one level of its axis (0 is the outermost dimension): a member's
    /// label, "Totaal X" at the level of a subtotal's member, "Eindtotaal" at level 0 of the grand
    /// total, and nothing below those and below a collapsed member.
    QString LineLabel(TPivotAxis axis, int line, int level) const;

    /// The shown measures; a slot is a position in this list.
    int MeasureSlotCount() const { return static_cast<int>(layout_.measures.size()); }
    /// The cell as shown: the aggregate of measure `slot`, or with a percentage shown as the
    /// fraction of its total (0.25 for 25%). Nothing for a cell without rows, an aggregate without
    /// values (a sum of only nulls) or a percentage of a total that is zero or nothing.
    std::optional<double> Value(int rowLine, int columnLine, int slot) const;
    /// The aggregate of any cube measure in a cell, whatever is shown.
    std::optional<double> Aggregate(int rowLine, int columnLine, int measure) const;
    /// Value formatted by the measure's number format, or as a percentage with one decimal;
    /// empty for nothing.
    QString Text(int rowLine, int columnLine, int slot) const;
    /// The source rows of a cell (totals too), within the filters, in source order.
    std::vector<std::uint32_t> DrillThrough(int rowLine, int columnLine) const;

    /// The bytes the computed pivot holds.
    std::size_t MemoryBytes() const;

private:
    void check(const TPivotLayout& layout) const;
    void layOutBase();
    std::optional<double> aggregateOf(int rowLine, int columnLine, int measure) const;
    /// The value of a cell shown along the base field (see AlongAField).
    std::optional<double> alongAField(int rowLine, int columnLine, int measure) const;
    /// The values of the members of the base field's run that holds `node` (on the base level),
    /// each at the members below it that the line's node has, in the other axis's line.
    struct TRun {
        std::vector<std::uint32_t> nodes;
        std::vector<std::optional<double>> values;
    };
    TRun runOf(std::uint32_t baseNode, const std::vector<std::uint32_t>& below, int lineLevel, int otherLine,
               int measure) const;

    std::shared_ptr<const TCube> cube_;
    TPivotLayout layout_;
    std::unique_ptr<cube::TPivotAggregates> aggregates_;
    std::unique_ptr<cube::TPivotLines> rowLines_;
    std::unique_ptr<cube::TPivotLines> columnLines_;
    /// The base field of a show-as along a field: its axis, its level in the axis (1 for the
    /// outermost dimension; 0 when there is none), and its nodes in the order shown.
    struct TBase {
        TPivotAxis axis = TPivotAxis::Rows;
        int level = 0;
        std::vector<std::uint32_t> order;    // the base level's nodes as the lines show them
        std::vector<std::uint32_t> position; // per node, its place in `order`
    };
    TBase base_;
    /// Cells on the base level, worked out a whole run at a time: per other line and measure.
    mutable std::map<std::pair<int, int>, std::vector<std::optional<double>>> alongCache_;
};

} // namespace vorn
