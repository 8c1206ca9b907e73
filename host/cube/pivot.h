#pragma once

#include "cube.h"
#include "pivotlayout.h"
#include "showas.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vorn {

namespace cube {
struct TPivotAggregates;
struct TPivotLines;
} // namespace cube

enum class TPivotAxis : std::uint8_t { Rows, Columns };

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
    explicit TPivot(const std::shared_ptr<const TCube>& cube);
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
