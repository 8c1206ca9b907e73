#include "pivot.h"

#include "rowkeys.h"

#include "host/data/idmap.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numeric>
#include <optional>

namespace vorn {

using cube::IsKept;
using cube::KeptRows;
using cube::NumberKeys;

namespace {

[[noreturn]] void FailLayout(const QString& what) {
    throw ECubeError(QStringLiteral("Kubusindeling: ") + what);
}

/// Pairs of nodes below this bound find their cell through a table instead of a hash.
constexpr std::uint64_t DenseCellLimit = std::uint64_t{1} << 23;

template <typename T> std::size_t BytesOf(const std::vector<T>& items) {
    return items.capacity() * sizeof(T);
}

// ------------------------------------------------------------------ the members of an axis

/// The members of one axis as a tree. Level 0 is the root (everything); level k holds the members
/// of the first k dimensions that occur in the kept rows, in natural order, so that the children
/// and the leaves of every node are contiguous. Without dimensions the root is the only leaf.
struct TAxisTree {
    struct TLevel {
        std::vector<std::uint32_t> code;           // the member code of the node's own dimension
        std::vector<std::uint32_t> parent;         // the node on the level above
        std::vector<std::uint32_t> childStart;     // children: [childStart[n], childStart[n + 1])
        std::vector<std::uint32_t> leafStart;      // leaves: [leafStart[n], leafStart[n + 1])
        std::vector<std::uint32_t> ancestorOfLeaf; // per leaf, its node on this level

        std::uint32_t size() const { return static_cast<std::uint32_t>(leafStart.size() - 1); }
        std::size_t bytes() const {
            return BytesOf(code) + BytesOf(parent) + BytesOf(childStart) + BytesOf(leafStart) +
                   BytesOf(ancestorOfLeaf);
        }
    };

    std::vector<int> dimensions;
    std::vector<TLevel> levels;           // one more than the dimensions
    std::vector<std::uint32_t> leafOfRow; // NoId for the rows the filters drop

    int depth() const { return static_cast<int>(dimensions.size()); }
    std::uint32_t leafCount() const { return levels.back().size(); }
};

/// Numbers the kept rows by their members on the axis (the leaves, in member order). The codes of
/// the dimensions are folded into one key per row; when the next dimension would make the key
/// overflow, the keys so far are numbered first.
std::uint32_t NumberLeaves(const TCube& cube, const std::vector<int>& dimensions,
                           const std::vector<std::uint8_t>& kept, std::vector<std::uint32_t>& leafOfRow) {
    const std::size_t rows = cube.RowCount();
    std::vector<std::uint32_t> numbered;
    std::uint64_t bound = 1;
    std::size_t first = 0;
    do {
        std::size_t end = first;
        std::uint64_t product = bound;
        std::uint64_t widened = 0;
        while (end < dimensions.size() &&
               !__builtin_mul_overflow(product, std::uint64_t{cube.MemberCount(dimensions[end])}, &widened)) {
            product = widened;
            ++end;
        }
        const std::vector<std::uint32_t> previous = std::move(numbered);
        std::vector<const std::uint32_t*> codes;
        std::vector<std::uint64_t> radix;
        for (std::size_t d = first; d < end; ++d) {
            codes.push_back(cube.Dimension(dimensions[d]).codes.data());
            radix.push_back(cube.MemberCount(dimensions[d]));
        }
        const auto keyOf = [&](std::size_t row) {
            std::uint64_t key = previous.empty() ? 0 : previous[row];
            for (std::size_t d = 0; d < codes.size(); ++d)
                key = key * radix[d] + codes[d][row];
            return key;
        };
        bound = NumberKeys(product, kept, rows, keyOf, numbered);
        first = end;
    } while (first < dimensions.size());
    leafOfRow = std::move(numbered);
    return static_cast<std::uint32_t>(bound);
}

/// A row of every leaf, to read the leaf's member codes from.
std::vector<std::uint32_t> RowOfLeaves(const std::vector<std::uint32_t>& leafOfRow, std::uint32_t leaves) {
    std::vector<std::uint32_t> rowOf(leaves, NoId);
    for (std::uint32_t row = 0; row < leafOfRow.size(); ++row)
        if (leafOfRow[row] != NoId && rowOf[leafOfRow[row]] == NoId)
            rowOf[leafOfRow[row]] = row;
    return rowOf;
}

/// Makes the nodes of every level from the leaves in order: a leaf starts a new node on every
/// level from the first whose member differs from the previous leaf's.
void MakeNodes(const TCube& cube, TAxisTree& tree, const std::vector<std::uint32_t>& rowOfLeaf) {
    const int depth = tree.depth();
    for (std::uint32_t leaf = 0; leaf < rowOfLeaf.size(); ++leaf) {
        int differs = depth + 1;
        for (int k = 1; k <= depth && differs > depth; ++k) {
            const std::uint32_t code = cube.Dimension(tree.dimensions[k - 1]).codes[rowOfLeaf[leaf]];
            if (leaf == 0 || tree.levels[k].code.back() != code)
                differs = k;
        }
        for (int k = differs; k <= depth; ++k) {
            TAxisTree::TLevel& level = tree.levels[k];
            level.code.push_back(cube.Dimension(tree.dimensions[k - 1]).codes[rowOfLeaf[leaf]]);
            level.parent.push_back(static_cast<std::uint32_t>(tree.levels[k - 1].leafStart.size() - 1));
            level.leafStart.push_back(leaf);
        }
    }
}

/// Closes the ranges of children and leaves, and finds every leaf's node on every level.
void LinkLevels(TAxisTree& tree, std::uint32_t leaves) {
    const int depth = tree.depth();
    for (TAxisTree::TLevel& level : tree.levels)
        level.leafStart.push_back(leaves);
    for (int k = 0; k < depth; ++k) {
        TAxisTree::TLevel& level = tree.levels[k];
        level.childStart.assign(level.size() + 1, 0);
        for (const std::uint32_t parent : tree.levels[k + 1].parent)
            ++level.childStart[parent + 1];
        std::partial_sum(level.childStart.begin(), level.childStart.end(), level.childStart.begin());
    }
    tree.levels[depth].childStart.assign(tree.levels[depth].size() + 1, 0);
    tree.levels[depth].ancestorOfLeaf.resize(leaves);
    std::iota(tree.levels[depth].ancestorOfLeaf.begin(), tree.levels[depth].ancestorOfLeaf.end(), 0U);
    for (int k = depth; k > 0; --k) {
        const TAxisTree::TLevel& below = tree.levels[k];
        std::vector<std::uint32_t>& ancestors = tree.levels[k - 1].ancestorOfLeaf;
        ancestors.resize(leaves);
        for (std::uint32_t leaf = 0; leaf < leaves; ++leaf)
            ancestors[leaf] = below.parent[below.ancestorOfLeaf[leaf]];
    }
}

TAxisTree BuildAxis(const TCube& cube, const std::vector<int>& dimensions,
                    const std::vector<std::uint8_t>& kept) {
    TAxisTree tree;
    tree.dimensions = dimensions;
    tree.levels.resize(dimensions.size() + 1);
    const std::uint32_t numbered = NumberLeaves(cube, dimensions, kept, tree.leafOfRow);
    // Without dimensions the root is the one leaf, also when no row is kept.
    const std::uint32_t leaves = dimensions.empty() ? 1 : numbered;
    tree.levels[0].leafStart.push_back(0);
    if (!dimensions.empty())
        MakeNodes(cube, tree, RowOfLeaves(tree.leafOfRow, leaves));
    LinkLevels(tree, leaves);
    return tree;
}

// ------------------------------------------------------------------ cells

/// The cells of one pair of levels (row level a, column level b): a cell id per pair of nodes that
/// has rows, and per measure an accumulated value and count per cell.
struct TCellLevel {
    std::uint64_t columnNodes = 0;
    bool dense = true;
    std::vector<std::uint32_t> denseIds;
    TIntegerIds sparseIds;
    std::uint32_t cellCount = 0;
    std::vector<std::vector<double>> values;        // per measure, per cell
    std::vector<std::vector<std::uint32_t>> counts; // per measure, per cell: values counted

    TCellLevel(std::uint64_t rowNodeCount, std::uint64_t columnNodeCount)
        : columnNodes(columnNodeCount), dense(rowNodeCount * columnNodeCount <= DenseCellLimit) {
        if (dense)
            denseIds.assign(rowNodeCount * columnNodeCount, NoId);
    }

    std::uint32_t Insert(std::uint32_t rowNode, std::uint32_t columnNode) {
        const std::uint64_t key = rowNode * columnNodes + columnNode;
        if (!dense) {
            const std::uint32_t id = sparseIds.Insert(key);
            cellCount = static_cast<std::uint32_t>(sparseIds.Size());
            return id;
        }
        std::uint32_t& id = denseIds[key];
        if (id == NoId)
            id = cellCount++;
        return id;
    }

    std::uint32_t Find(std::uint32_t rowNode, std::uint32_t columnNode) const {
        const std::uint64_t key = rowNode * columnNodes + columnNode;
        return dense ? denseIds[key] : sparseIds.Find(key);
    }

    std::size_t bytes() const {
        std::size_t total = BytesOf(denseIds) + sparseIds.MemoryBytes();
        for (std::size_t m = 0; m < values.size(); ++m)
            total += BytesOf(values[m]) + BytesOf(counts[m]);
        return total;
    }
};

double StartValue(TCubeAggregate aggregate) {
    if (aggregate == TCubeAggregate::Minimum)
        return std::numeric_limits<double>::infinity();
    if (aggregate == TCubeAggregate::Maximum)
        return -std::numeric_limits<double>::infinity();
    return 0;
}

void Accumulate(TCubeAggregate aggregate, double value, double& into) {
    if (aggregate == TCubeAggregate::Minimum)
        into = std::min(into, value);
    else if (aggregate == TCubeAggregate::Maximum)
        into = std::max(into, value);
    else
        into += value;
}

/// The aggregate of a cell from its accumulated value and count.
std::optional<double> AggregateOfCell(TCubeAggregate aggregate, double value, std::uint32_t count) {
    switch (aggregate) {
    case TCubeAggregate::Count:
    case TCubeAggregate::CountDistinct:
        return static_cast<double>(count);
    case TCubeAggregate::Average:
        return count > 0 ? std::optional(value / count) : std::nullopt;
    default:
        return count > 0 ? std::optional(value) : std::nullopt;
    }
}

} // namespace

// ------------------------------------------------------------------ aggregating the rows

} // namespace vorn

namespace vorn::cube {

/// The trees of both axes and the cells of every pair of levels, for one choice of dimensions and
/// filters.
struct TPivotAggregates {
    std::vector<int> rowDimensions;
    std::vector<int> columnDimensions;
    std::map<int, std::set<std::uint32_t>> filters;
    TAxisTree rows;
    TAxisTree columns;
    std::vector<TCellLevel> levels; // row level a, column level b at a * (columns depth + 1) + b

    const TCellLevel& level(int a, int b) const {
        return levels[(static_cast<std::size_t>(a) * static_cast<std::size_t>(columns.depth() + 1)) +
                      static_cast<std::size_t>(b)];
    }
    bool fits(const TPivotLayout& layout) const {
        return rowDimensions == layout.rows.dimensions && columnDimensions == layout.columns.dimensions &&
               filters == layout.filters;
    }
};

struct TPivotLine {
    TLineKind kind;
    std::uint32_t level; // the level of its node: its depth
    std::uint32_t node;
};

struct TPivotLines {
    std::vector<TPivotLine> lines;
};

} // namespace vorn::cube

namespace vorn {

using cube::TPivotAggregates;
using cube::TPivotLine;
using cube::TPivotLines;

namespace {

struct TLeafCells {
    std::vector<std::uint32_t> ofRow;      // per source row; NoId for rows filtered out
    std::vector<std::uint32_t> rowLeaf;    // per leaf cell
    std::vector<std::uint32_t> columnLeaf; // per leaf cell
};

TLeafCells NumberLeafCells(const TAxisTree& rows, const TAxisTree& columns, TCellLevel& leafLevel) {
    TLeafCells cells;
    cells.ofRow.assign(rows.leafOfRow.size(), NoId);
    for (std::size_t row = 0; row < rows.leafOfRow.size(); ++row) {
        const std::uint32_t rowLeaf = rows.leafOfRow[row];
        if (rowLeaf == NoId)
            continue;
        const std::uint32_t before = leafLevel.cellCount;
        cells.ofRow[row] = leafLevel.Insert(rowLeaf, columns.leafOfRow[row]);
        if (leafLevel.cellCount != before) {
            cells.rowLeaf.push_back(rowLeaf);
            cells.columnLeaf.push_back(columns.leafOfRow[row]);
        }
    }
    return cells;
}

/// For every leaf cell, the cell it falls in on every pair of levels, side by side: a distinct
/// count reads them all for one leaf cell from one place.
struct TCellsOfLeaves {
    std::size_t pairs = 0;
    std::vector<std::uint32_t> cells; // at leaf cell * pairs + pair

    const std::uint32_t* of(std::size_t leaf) const { return cells.data() + leaf * pairs; }
};

TCellsOfLeaves NumberCells(const TAxisTree& rows, const TAxisTree& columns, std::vector<TCellLevel>& levels,
                           const TLeafCells& leaves) {
    const std::size_t leafCount = leaves.rowLeaf.size();
    TCellsOfLeaves cellsOf{levels.size(), std::vector<std::uint32_t>(leafCount * levels.size())};
    const int columnLevels = columns.depth() + 1;
    // A block of leaf cells at a time, so that both the level's table and the cells written stay in cache.
    constexpr std::size_t Block = 4096;
    for (std::size_t first = 0; first < leafCount; first += Block)
        for (int a = 0; a <= rows.depth(); ++a)
            for (int b = 0; b <= columns.depth(); ++b) {
                const std::size_t pair =
                    (static_cast<std::size_t>(a) * static_cast<std::size_t>(columnLevels)) +
                    static_cast<std::size_t>(b);
                const std::vector<std::uint32_t>& rowNodeOf = rows.levels[a].ancestorOfLeaf;
                const std::vector<std::uint32_t>& columnNodeOf = columns.levels[b].ancestorOfLeaf;
                for (std::size_t leaf = first; leaf < std::min(first + Block, leafCount); ++leaf)
                    cellsOf.cells[leaf * cellsOf.pairs + pair] = levels[pair].Insert(
                        rowNodeOf[leaves.rowLeaf[leaf]], columnNodeOf[leaves.columnLeaf[leaf]]);
            }
    return cellsOf;
}

/// Adds every kept row's value of one measure to its leaf cell.
void AccumulateRows(const TCubeMeasure& measure, std::size_t m, const std::vector<std::uint32_t>& cellOfRow,
                    TCellLevel& leafLevel) {
    std::vector<std::uint32_t>& counts = leafLevel.counts[m];
    std::vector<double>& values = leafLevel.values[m];
    const TCubeAggregate aggregate = measure.def.aggregate;
    for (std::size_t row = 0; row < cellOfRow.size(); ++row) {
        const std::uint32_t cell = cellOfRow[row];
        if (cell == NoId)
            continue;
        if (measure.countsRows) {
            ++counts[cell];
        } else if (aggregate == TCubeAggregate::Count) {
            counts[cell] += measure.present[row];
        } else if (!std::isnan(measure.values[row])) {
            Accumulate(aggregate, measure.values[row], values[cell]);
            ++counts[cell];
        }
    }
}

/// Adds the leaf cells of one measure to the cells of every other pair of levels.
void RollUp(TCubeAggregate aggregate, std::size_t m, const TCellsOfLeaves& cellsOf,
            std::vector<TCellLevel>& levels, std::size_t leafPair) {
    const TCellLevel& leafLevel = levels[leafPair];
    for (std::size_t leaf = 0; leaf < leafLevel.cellCount; ++leaf) {
        const std::uint32_t* cells = cellsOf.of(leaf);
        for (std::size_t pair = 0; pair < levels.size(); ++pair) {
            if (pair == leafPair)
                continue;
            levels[pair].counts[m][cells[pair]] += leafLevel.counts[m][leaf];
            Accumulate(aggregate, leafLevel.values[m][leaf], levels[pair].values[m][cells[pair]]);
        }
    }
}

/// Counts distinct values in every cell of every level at once: the rows are visited value by
/// value, and a cell counts a value when the last value it saw was another.
void CountDistinct(const TCubeMeasure& measure, std::size_t m, const TLeafCells& leaves,
                   const TCellsOfLeaves& cellsOf, std::vector<TCellLevel>& levels, std::size_t leafPair) {
    struct TSeen {
        std::uint32_t last = NoId;
        std::uint32_t count = 0;
    };
    std::vector<std::vector<TSeen>> seen(levels.size());
    for (std::size_t pair = 0; pair < levels.size(); ++pair)
        seen[pair].resize(levels[pair].cellCount);
    const std::size_t distinctValues = measure.valueStarts.size() - 1;
    const std::uint32_t* rows = measure.rowsByValue.data();
    const std::size_t rowCount = measure.rowsByValue.size();
    constexpr std::size_t Ahead = 16; // rows in value order lie scattered: ask for their cells early
    for (std::uint32_t value = 0; value < distinctValues; ++value)
        for (std::uint32_t i = measure.valueStarts[value]; i < measure.valueStarts[value + 1]; ++i) {
            if (i + Ahead < rowCount)
                __builtin_prefetch(&leaves.ofRow[rows[i + Ahead]]);
            const std::uint32_t leaf = leaves.ofRow[rows[i]];
            if (leaf == NoId || seen[leafPair][leaf].last == value)
                continue;
            // A value new to a leaf cell may be new to the cells above it; one it saw before is not.
            const std::uint32_t* cells = cellsOf.of(leaf);
            for (std::size_t pair = 0; pair < levels.size(); ++pair) {
                TSeen& cell = seen[pair][cells[pair]];
                if (cell.last != value) {
                    cell.last = value;
                    ++cell.count;
                }
            }
        }
    for (std::size_t pair = 0; pair < levels.size(); ++pair)
        for (std::size_t cell = 0; cell < seen[pair].size(); ++cell)
            levels[pair].counts[m][cell] = seen[pair][cell].count;
}

void AggregateMeasure(const TCubeMeasure& measure, std::size_t m, const TLeafCells& leaves,
                      const TCellsOfLeaves& cellsOf, std::vector<TCellLevel>& levels, std::size_t leafPair) {
    const TCubeAggregate aggregate = measure.def.aggregate;
    for (TCellLevel& level : levels) {
        level.values[m].assign(level.cellCount, StartValue(aggregate));
        level.counts[m].assign(level.cellCount, 0);
    }
    if (aggregate == TCubeAggregate::CountDistinct) {
        CountDistinct(measure, m, leaves, cellsOf, levels, leafPair);
        return;
    }
    AccumulateRows(measure, m, leaves.ofRow, levels[leafPair]);
    RollUp(aggregate, m, cellsOf, levels, leafPair);
}

// ------------------------------------------------------------------ the lines of an axis

/// Lays out the lines of one axis: members depth first in their sorted order, each member's
/// subtotal after its children, the grand total last.
class TLineBuilder {
public:
    using TTotalOf = std::function<std::optional<double>(int level, std::uint32_t node)>;

    TLineBuilder(const TCube& cube, const TAxisTree& tree, const TAxisLayout& axis, TTotalOf totalOf)
        : cube_(cube), tree_(tree), axis_(axis), totalOf_(std::move(totalOf)) {}

    std::vector<TPivotLine> Build() {
        if (tree_.depth() == 0) {
            lines_.push_back({TLineKind::GrandTotal, 0, 0});
            return std::move(lines_);
        }
        for (const std::uint32_t child : sortedChildren(0, 0))
            visit(1, child);
        if (axis_.grandTotal)
            lines_.push_back({TLineKind::GrandTotal, 0, 0});
        return std::move(lines_);
    }

private:
    void visit(int level, std::uint32_t node) {
        path_.push_back(tree_.levels[level].code[node]);
        const auto at = static_cast<std::uint32_t>(level);
        if (level == tree_.depth()) {
            lines_.push_back({TLineKind::Member, at, node});
        } else if (IsCollapsed(axis_, path_)) {
            lines_.push_back({TLineKind::Collapsed, at, node});
        } else {
            for (const std::uint32_t child : sortedChildren(level, node))
                visit(level + 1, child);
            if (axis_.subtotals)
                lines_.push_back({TLineKind::Subtotal, at, node});
        }
        path_.pop_back();
    }

    /// The children of a node (on the level below) in the order the axis asks for.
    std::vector<std::uint32_t> sortedChildren(int level, std::uint32_t node) const {
        const TAxisTree::TLevel& here = tree_.levels[level];
        std::vector<std::uint32_t> children(here.childStart[node + 1] - here.childStart[node]);
        std::iota(children.begin(), children.end(), here.childStart[node]);
        if (axis_.sortBy == TSortBy::Measure)
            sortByTotal(level + 1, children);
        else
            sortByLabel(level + 1, children);
        return children;
    }

    void sortByLabel(int childLevel, std::vector<std::uint32_t>& children) const {
        if (!axis_.descending)
            return;
        std::reverse(children.begin(), children.end());
        const TCubeDimension& dimension = cube_.Dimension(tree_.dimensions[childLevel - 1]);
        const std::uint32_t emptyCode = static_cast<std::uint32_t>(dimension.labels.size()) - 1;
        const std::vector<std::uint32_t>& codes = tree_.levels[childLevel].code;
        if (dimension.hasEmptyMember && !children.empty() && codes[children.front()] == emptyCode)
            std::rotate(children.begin(), children.begin() + 1, children.end());
    }

    /// By the children's totals over the other axis, nothing last; equal totals in label order.
    void sortByTotal(int childLevel, std::vector<std::uint32_t>& children) const {
        std::vector<std::pair<std::optional<double>, std::uint32_t>> keyed;
        for (const std::uint32_t child : children)
            keyed.emplace_back(totalOf_(childLevel, child), child);
        const bool descending = axis_.descending;
        std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
            if (!a.first || !b.first)
                return a.first.has_value() && !b.first.has_value();
            return descending ? *a.first > *b.first : *a.first < *b.first;
        });
        for (std::size_t i = 0; i < children.size(); ++i)
            children[i] = keyed[i].second;
    }

    const TCube& cube_;
    const TAxisTree& tree_;
    const TAxisLayout& axis_;
    TTotalOf totalOf_;
    TMemberPath path_;
    std::vector<TPivotLine> lines_;
};

std::unique_ptr<TPivotAggregates> MakeAggregates(const TCube& cube, const TPivotLayout& layout) {
    auto made = std::make_unique<TPivotAggregates>();
    made->rowDimensions = layout.rows.dimensions;
    made->columnDimensions = layout.columns.dimensions;
    made->filters = layout.filters;
    const std::vector<std::uint8_t> kept = KeptRows(cube, layout.filters);
    made->rows = BuildAxis(cube, layout.rows.dimensions, kept);
    made->columns = BuildAxis(cube, layout.columns.dimensions, kept);
    for (const TAxisTree::TLevel& rowLevel : made->rows.levels)
        for (const TAxisTree::TLevel& columnLevel : made->columns.levels) {
            made->levels.emplace_back(rowLevel.size(), columnLevel.size());
            made->levels.back().values.resize(static_cast<std::size_t>(cube.MeasureCount()));
            made->levels.back().counts.resize(static_cast<std::size_t>(cube.MeasureCount()));
        }
    const std::size_t leafPair = made->levels.size() - 1;
    const TLeafCells leaves = NumberLeafCells(made->rows, made->columns, made->levels[leafPair]);
    const TCellsOfLeaves cellsOf = NumberCells(made->rows, made->columns, made->levels, leaves);
    for (int m = 0; m < cube.MeasureCount(); ++m)
        AggregateMeasure(cube.Measure(m), static_cast<std::size_t>(m), leaves, cellsOf, made->levels,
                         leafPair);
    return made;
}

const TAxisTree& TreeOf(const TPivotAggregates& aggregates, TPivotAxis axis) {
    return axis == TPivotAxis::Rows ? aggregates.rows : aggregates.columns;
}

/// The aggregate of a measure in the cell of a row node and a column node; nothing without rows.
std::optional<double> CellAggregate(const TCube& cube, const TPivotAggregates& aggregates, int measure,
                                    std::uint32_t rowLevel, std::uint32_t rowNode, std::uint32_t columnLevel,
                                    std::uint32_t columnNode) {
    const TCellLevel& cells = aggregates.level(static_cast<int>(rowLevel), static_cast<int>(columnLevel));
    const std::uint32_t cell = cells.Find(rowNode, columnNode);
    if (cell == NoId)
        return std::nullopt;
    const auto m = static_cast<std::size_t>(measure);
    return AggregateOfCell(cube.Measure(measure).def.aggregate, cells.values[m][cell], cells.counts[m][cell]);
}

/// The node of an axis tree whose members are `path` (its level is the path's length); the root,
/// which holds everything, when the tree has no such node.
std::pair<std::uint32_t, std::uint32_t> NodeOfPath(const TAxisTree& tree, const TMemberPath& path) {
    if (static_cast<int>(path.size()) > tree.depth())
        return {0, 0};
    std::uint32_t node = 0;
    for (std::size_t level = 0; level < path.size(); ++level) {
        const TAxisTree::TLevel& children = tree.levels[level + 1];
        const TAxisTree::TLevel& here = tree.levels[level];
        std::uint32_t found = NoId;
        for (std::uint32_t child = here.childStart[node]; child < here.childStart[node + 1]; ++child)
            if (children.code[child] == path[level])
                found = child;
        if (found == NoId)
            return {0, 0};
        node = found;
    }
    return {static_cast<std::uint32_t>(path.size()), node};
}

/// The lines of one axis; members sorted by a measure go by their value in one line of the other
/// axis, its grand total unless the layout names another.
std::unique_ptr<TPivotLines> LayOutAxis(const TCube& cube, const TPivotAggregates& aggregates,
                                        TPivotAxis axis, const TAxisLayout& layout) {
    const TAxisTree& other =
        TreeOf(aggregates, axis == TPivotAxis::Rows ? TPivotAxis::Columns : TPivotAxis::Rows);
    const std::pair<std::uint32_t, std::uint32_t> otherLine = NodeOfPath(other, layout.sortLine);
    const std::uint32_t otherLevel = otherLine.first;
    const std::uint32_t otherNode = otherLine.second;
    const auto totalOf = [&](int level, std::uint32_t node) {
        const auto at = static_cast<std::uint32_t>(level);
        return axis == TPivotAxis::Rows
                   ? CellAggregate(cube, aggregates, layout.sortMeasure, at, node, otherLevel, otherNode)
                   : CellAggregate(cube, aggregates, layout.sortMeasure, otherLevel, otherNode, at, node);
    };
    auto lines = std::make_unique<TPivotLines>();
    lines->lines = TLineBuilder(cube, TreeOf(aggregates, axis), layout, totalOf).Build();
    return lines;
}

/// The node on `level` that a node on a deeper level of the tree lies under.
std::uint32_t AncestorAt(const TAxisTree& tree, std::uint32_t nodeLevel, std::uint32_t node,
                         std::uint32_t level) {
    for (std::uint32_t k = nodeLevel; k > level; --k)
        node = tree.levels[k].parent[node];
    return node;
}

/// The node below `node` (on `level`) whose members further down are `codes`; NoId when absent.
std::uint32_t Descend(const TAxisTree& tree, std::uint32_t level, std::uint32_t node,
                      const std::vector<std::uint32_t>& codes) {
    for (const std::uint32_t code : codes) {
        const TAxisTree::TLevel& here = tree.levels[level];
        const TAxisTree::TLevel& below = tree.levels[level + 1];
        std::uint32_t found = NoId;
        for (std::uint32_t child = here.childStart[node]; child < here.childStart[node + 1] && found == NoId;
             ++child)
            if (below.code[child] == code)
                found = child;
        if (found == NoId)
            return NoId;
        node = found;
        ++level;
    }
    return node;
}

} // namespace

// ------------------------------------------------------------------ the pivot

TPivot::TPivot(const std::shared_ptr<const TCube>& cube) : TPivot(cube, DefinedLayout(*cube)) {}

TPivot::TPivot(std::shared_ptr<const TCube> cube, const TPivotLayout& layout) : cube_(std::move(cube)) {
    SetLayout(layout);
}

TPivot::~TPivot() = default;

void TPivot::SetLayout(const TPivotLayout& layout) {
    RequireLayoutFits(*cube_, layout);
    std::unique_ptr<TPivotAggregates> aggregates =
        aggregates_ && aggregates_->fits(layout) ? std::move(aggregates_) : MakeAggregates(*cube_, layout);
    std::unique_ptr<TPivotLines> rowLines = LayOutAxis(*cube_, *aggregates, TPivotAxis::Rows, layout.rows);
    std::unique_ptr<TPivotLines> columnLines =
        LayOutAxis(*cube_, *aggregates, TPivotAxis::Columns, layout.columns);
    aggregates_ = std::move(aggregates);
    rowLines_ = std::move(rowLines);
    columnLines_ = std::move(columnLines);
    layout_ = layout;
    layOutBase();
}

/// Where the base field of a show-as along a field lies and its members in the order shown.
void TPivot::layOutBase() {
    base_ = TBase{};
    alongCache_.clear();
    const int dimension = ShowAsBaseDimension(layout_);
    if (!IsAlongAField(layout_.showAs) || dimension < 0)
        return;
    const auto onRows = std::find(layout_.rows.dimensions.begin(), layout_.rows.dimensions.end(), dimension);
    base_.axis = onRows != layout_.rows.dimensions.end() ? TPivotAxis::Rows : TPivotAxis::Columns;
    const std::vector<int>& dimensions =
        base_.axis == TPivotAxis::Rows ? layout_.rows.dimensions : layout_.columns.dimensions;
    base_.level =
        static_cast<int>(std::find(dimensions.begin(), dimensions.end(), dimension) - dimensions.begin()) + 1;
    const TAxisTree& tree = TreeOf(*aggregates_, base_.axis);
    const auto level = static_cast<std::uint32_t>(base_.level);
    base_.position.assign(tree.levels[level].size(), NoId);
    for (const TPivotLine& line : (base_.axis == TPivotAxis::Rows ? rowLines_ : columnLines_)->lines) {
        if (line.level < level)
            continue;
        const std::uint32_t node = AncestorAt(tree, line.level, line.node, level);
        if (base_.order.empty() || base_.order.back() != node) {
            base_.position[node] = static_cast<std::uint32_t>(base_.order.size());
            base_.order.push_back(node);
        }
    }
}

int TPivot::LineCount(TPivotAxis axis) const {
    return static_cast<int>((axis == TPivotAxis::Rows ? rowLines_ : columnLines_)->lines.size());
}

namespace {

/// The member code of a node's ancestor (or the node itself) on a level from 1 up to the node's.
std::uint32_t CodeAt(const TAxisTree& tree, std::uint32_t nodeLevel, std::uint32_t node,
                     std::uint32_t level) {
    for (std::uint32_t k = nodeLevel; k > level; --k)
        node = tree.levels[k].parent[node];
    return tree.levels[level].code[node];
}

} // namespace

TAxisLine TPivot::Line(TPivotAxis axis, int line) const {
    const TPivotLine& at =
        (axis == TPivotAxis::Rows ? rowLines_ : columnLines_)->lines.at(static_cast<std::size_t>(line));
    TAxisLine result{at.kind, {}};
    const TAxisTree& tree = TreeOf(*aggregates_, axis);
    for (std::uint32_t level = 1; level <= at.level; ++level)
        result.path.push_back(CodeAt(tree, at.level, at.node, level));
    return result;
}

TLineKind TPivot::LineKind(TPivotAxis axis, int line) const {
    return (axis == TPivotAxis::Rows ? rowLines_ : columnLines_)
        ->lines.at(static_cast<std::size_t>(line))
        .kind;
}

int TPivot::LineDepth(TPivotAxis axis, int line) const {
    return static_cast<int>((axis == TPivotAxis::Rows ? rowLines_ : columnLines_)
                                ->lines.at(static_cast<std::size_t>(line))
                                .level);
}

QString TPivot::LineLabel(TPivotAxis axis, int line, int level) const {
    const TPivotLine& at =
        (axis == TPivotAxis::Rows ? rowLines_ : columnLines_)->lines.at(static_cast<std::size_t>(line));
    const TAxisTree& tree = TreeOf(*aggregates_, axis);
    if (level < 0 || level >= tree.depth())
        return {};
    const auto labelAt = [&](int k) {
        const std::uint32_t code = CodeAt(tree, at.level, at.node, static_cast<std::uint32_t>(k + 1));
        return cube_->MemberLabel(tree.dimensions[static_cast<std::size_t>(k)], code);
    };
    const int depth = static_cast<int>(at.level);
    switch (at.kind) {
    case TLineKind::GrandTotal:
        return level == 0 ? QStringLiteral("Eindtotaal") : QString();
    case TLineKind::Subtotal:
        if (level == depth - 1)
            return QStringLiteral("Totaal ") + labelAt(level);
        return level < depth - 1 ? labelAt(level) : QString();
    default:
        return level < depth ? labelAt(level) : QString();
    }
}

std::optional<double> TPivot::aggregateOf(int rowLine, int columnLine, int measure) const {
    const TPivotLine& row = rowLines_->lines.at(static_cast<std::size_t>(rowLine));
    const TPivotLine& column = columnLines_->lines.at(static_cast<std::size_t>(columnLine));
    return CellAggregate(*cube_, *aggregates_, measure, row.level, row.node, column.level, column.node);
}

std::optional<double> TPivot::Aggregate(int rowLine, int columnLine, int measure) const {
    if (measure < 0 || measure >= cube_->MeasureCount())
        FailLayout(QStringLiteral("maat %1 bestaat niet").arg(measure));
    return aggregateOf(rowLine, columnLine, measure);
}

std::optional<double> TPivot::Value(int rowLine, int columnLine, int slot) const {
    const int measure = layout_.measures.at(static_cast<std::size_t>(slot));
    if (IsAlongAField(layout_.showAs))
        return alongAField(rowLine, columnLine, measure);
    const std::optional<double> value = aggregateOf(rowLine, columnLine, measure);
    if (layout_.showAs == TShowAs::Value || !value)
        return value;
    // The total a percentage is of: the same measure on the row's, the column's or the grand total line.
    const TPivotLine& row = rowLines_->lines.at(static_cast<std::size_t>(rowLine));
    const TPivotLine& column = columnLines_->lines.at(static_cast<std::size_t>(columnLine));
    const bool ofRow = layout_.showAs == TShowAs::PercentOfRow;
    const bool ofColumn = layout_.showAs == TShowAs::PercentOfColumn;
    const std::optional<double> total =
        CellAggregate(*cube_, *aggregates_, measure, ofRow ? row.level : 0, ofRow ? row.node : 0,
                      ofColumn ? column.level : 0, ofColumn ? column.node : 0);
    if (!total || *total == 0)
        return std::nullopt;
    return *value / *total;
}

QString TPivot::Text(int rowLine, int columnLine, int slot) const {
    const std::optional<double> value = Value(rowLine, columnLine, slot);
    if (!value)
        return {};
    if (ShowsFraction(layout_.showAs)) {
        static const TNumberFormat percentage = *TNumberFormat::Parse(QStringLiteral("0.0%"));
        return percentage.Format(*value);
    }
    if (layout_.showAs == TShowAs::Rank) {
        static const TNumberFormat whole = *TNumberFormat::Parse(QStringLiteral("0"));
        return whole.Format(*value);
    }
    return cube_->Measure(layout_.measures.at(static_cast<std::size_t>(slot))).format.Format(*value);
}

std::optional<double> TPivot::alongAField(int rowLine, int columnLine, int measure) const {
    if (base_.level == 0)
        return std::nullopt;
    const bool onRows = base_.axis == TPivotAxis::Rows;
    const TPivotLine& line = (onRows ? rowLines_ : columnLines_)
                                 ->lines.at(static_cast<std::size_t>(onRows ? rowLine : columnLine));
    const int otherLine = onRows ? columnLine : rowLine;
    const auto level = static_cast<std::uint32_t>(base_.level);
    if (line.level < level) // a total over members of the base field
        return std::nullopt;
    const TAxisTree& tree = TreeOf(*aggregates_, base_.axis);
    std::vector<std::uint32_t> below;
    std::uint32_t node = line.node;
    for (std::uint32_t k = line.level; k > level; --k) {
        below.push_back(tree.levels[k].code[node]);
        node = tree.levels[k].parent[node];
    }
    std::reverse(below.begin(), below.end());
    if (!below.empty()) {
        const TRun run = runOf(node, below, static_cast<int>(line.level), otherLine, measure);
        const std::vector<std::optional<double>> shown = AlongAField(layout_.showAs, run.values);
        const auto at = std::find(run.nodes.begin(), run.nodes.end(), node) - run.nodes.begin();
        return shown.at(static_cast<std::size_t>(at));
    }
    // On the base level itself: every run at once, kept for the other cells of this line.
    std::vector<std::optional<double>>& cached = alongCache_[{otherLine, measure}];
    if (cached.empty()) {
        cached.resize(tree.levels[level].size());
        for (std::size_t first = 0; first < base_.order.size();) {
            const TRun run = runOf(base_.order[first], {}, base_.level, otherLine, measure);
            const std::vector<std::optional<double>> shown = AlongAField(layout_.showAs, run.values);
            for (std::size_t i = 0; i < run.nodes.size(); ++i)
                cached[run.nodes[i]] = shown[i];
            first += run.nodes.size();
        }
    }
    return cached.at(node);
}

/// The run of members with the same parent around `baseNode` in the order shown, each with its value
/// at the members `below` it (on the line's level) in the other axis's line.
TPivot::TRun TPivot::runOf(std::uint32_t baseNode, const std::vector<std::uint32_t>& below, int lineLevel,
                           int otherLine, int measure) const {
    const bool onRows = base_.axis == TPivotAxis::Rows;
    const TAxisTree& tree = TreeOf(*aggregates_, base_.axis);
    const auto level = static_cast<std::uint32_t>(base_.level);
    const std::vector<std::uint32_t>& parents = tree.levels[level].parent;
    const TPivotLine& other =
        (onRows ? columnLines_ : rowLines_)->lines.at(static_cast<std::size_t>(otherLine));
    std::size_t first = base_.position.at(baseNode);
    while (first > 0 && parents[base_.order[first - 1]] == parents[baseNode])
        --first;
    TRun run;
    for (std::size_t i = first; i < base_.order.size() && parents[base_.order[i]] == parents[baseNode]; ++i) {
        const std::uint32_t member = base_.order[i];
        run.nodes.push_back(member);
        const std::uint32_t node = Descend(tree, level, member, below);
        if (node == NoId) {
            run.values.emplace_back();
            continue;
        }
        const auto at = static_cast<std::uint32_t>(lineLevel);
        run.values.push_back(
            onRows ? CellAggregate(*cube_, *aggregates_, measure, at, node, other.level, other.node)
                   : CellAggregate(*cube_, *aggregates_, measure, other.level, other.node, at, node));
    }
    return run;
}

std::vector<std::uint32_t> TPivot::DrillThrough(int rowLine, int columnLine) const {
    const TPivotLine& row = rowLines_->lines.at(static_cast<std::size_t>(rowLine));
    const TPivotLine& column = columnLines_->lines.at(static_cast<std::size_t>(columnLine));
    const TAxisTree::TLevel& rowLevel = aggregates_->rows.levels[row.level];
    const TAxisTree::TLevel& columnLevel = aggregates_->columns.levels[column.level];
    const std::uint32_t rowFirst = rowLevel.leafStart[row.node];
    const std::uint32_t rowEnd = rowLevel.leafStart[row.node + 1];
    const std::uint32_t columnFirst = columnLevel.leafStart[column.node];
    const std::uint32_t columnEnd = columnLevel.leafStart[column.node + 1];
    const std::vector<std::uint32_t>& rowLeaf = aggregates_->rows.leafOfRow;
    const std::vector<std::uint32_t>& columnLeaf = aggregates_->columns.leafOfRow;
    std::vector<std::uint32_t> rows;
    for (std::uint32_t source = 0; source < rowLeaf.size(); ++source)
        if (rowLeaf[source] >= rowFirst && rowLeaf[source] < rowEnd && columnLeaf[source] >= columnFirst &&
            columnLeaf[source] < columnEnd)
            rows.push_back(source);
    return rows;
}

std::size_t TPivot::MemoryBytes() const {
    std::size_t bytes = sizeof(TPivot) + BytesOf(rowLines_->lines) + BytesOf(columnLines_->lines);
    for (const TAxisTree* tree : {&aggregates_->rows, &aggregates_->columns}) {
        bytes += BytesOf(tree->leafOfRow);
        for (const TAxisTree::TLevel& level : tree->levels)
            bytes += level.bytes();
    }
    for (const TCellLevel& level : aggregates_->levels)
        bytes += level.bytes();
    return bytes;
}

} // namespace vorn
