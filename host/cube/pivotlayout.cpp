#include "pivotlayout.h"

#include "cube.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <set>

namespace vorn {

bool IsCollapsed(const TAxisLayout& axis, const TMemberPath& path) {
    if (axis.collapsed.count(path) > 0)
        return true;
    return axis.collapsedLevels.count(static_cast<int>(path.size())) > 0 && axis.expanded.count(path) == 0;
}

void SetCollapsed(TAxisLayout& axis, const TMemberPath& path, bool collapsed) {
    axis.collapsed.erase(path);
    axis.expanded.erase(path);
    const bool levelCollapsed = axis.collapsedLevels.count(static_cast<int>(path.size())) > 0;
    if (collapsed && !levelCollapsed)
        axis.collapsed.insert(path);
    else if (!collapsed && levelCollapsed)
        axis.expanded.insert(path);
}

void SetLevelCollapsed(TAxisLayout& axis, int level, bool collapsed) {
    if (collapsed)
        axis.collapsedLevels.insert(level);
    else
        axis.collapsedLevels.erase(level);
    const auto onLevel = [level](const TMemberPath& path) { return static_cast<int>(path.size()) == level; };
    std::erase_if(axis.collapsed, onLevel);
    std::erase_if(axis.expanded, onLevel);
}

namespace {

std::vector<int> DimensionsOf(const TCube& cube, const QStringList& names) {
    std::vector<int> dimensions;
    for (const QString& name : names)
        dimensions.push_back(cube.Definition().DimensionIndex(name));
    return dimensions;
}

/// `other` is the axis whose dimensions the sort's line is of; a label the rows lack leaves the
/// line out (the grand total sorts).
void ApplySort(const TCube& cube, const TCubeSortDef& sort, const std::vector<int>& other,
               TAxisLayout& axis) {
    axis.sortBy = sort.by;
    axis.descending = sort.descending;
    axis.sortMeasure = sort.by == TSortBy::Measure ? cube.Definition().MeasureIndex(sort.measure) : 0;
    axis.sortLine.clear();
    if (sort.by != TSortBy::Measure || sort.line.size() > static_cast<qsizetype>(other.size()))
        return;
    for (qsizetype level = 0; level < sort.line.size(); ++level) {
        const std::optional<std::uint32_t> member =
            cube.FindMember(other[static_cast<std::size_t>(level)], sort.line[level]);
        if (!member) {
            axis.sortLine.clear();
            return;
        }
        axis.sortLine.push_back(*member);
    }
}

TCubeSortDef SortDefinition(const TCube& cube, const TAxisLayout& axis, const std::vector<int>& other) {
    TCubeSortDef sort{axis.sortBy, {}, {}, axis.descending};
    if (axis.sortBy != TSortBy::Measure)
        return sort;
    sort.measure = cube.Measure(axis.sortMeasure).def.name;
    for (std::size_t level = 0; level < axis.sortLine.size() && level < other.size(); ++level)
        sort.line << cube.MemberLabel(other[level], axis.sortLine[level]);
    return sort;
}

QStringList NamesOf(const TCube& cube, const std::vector<int>& dimensions) {
    QStringList names;
    for (const int dimension : dimensions)
        names << cube.Dimension(dimension).def.name;
    return names;
}

} // namespace

QString DimensionCaption(const TCube& cube, int dimension) {
    const TCubeDimensionDef& def = cube.Dimension(dimension).def;
    return def.caption.isEmpty() ? def.name : def.caption;
}

QStringList FilterDescriptions(const TCube& cube, const TPivotLayout& layout) {
    constexpr std::size_t Named = 8; // beyond this a line no longer reads at a glance
    QStringList lines;
    for (const auto& [dimension, kept] : layout.filters) {
        const std::uint32_t members = cube.MemberCount(dimension);
        if (kept.size() >= members)
            continue;
        QStringList labels;
        for (const std::uint32_t code : kept) {
            if (static_cast<std::size_t>(labels.size()) == Named)
                break;
            labels << cube.MemberLabel(dimension, code);
        }
        QString line = QStringLiteral("%1: %2").arg(DimensionCaption(cube, dimension), labels.join(u", "));
        if (kept.size() > Named)
            line += QStringLiteral(", … (%1 van %2)").arg(kept.size()).arg(members);
        lines << line;
    }
    return lines;
}

TPivotLayout DefinedLayout(const TCube& cube) {
    return DefinedLayout(cube, cube.Definition().layout);
}

TPivotLayout DefinedLayout(const TCube& cube, const TCubeLayoutDef& stored) {
    TPivotLayout layout;
    layout.rows.dimensions = DimensionsOf(cube, stored.rows);
    layout.columns.dimensions = DimensionsOf(cube, stored.columns);
    for (const TCubeFilterDef& filter : stored.filters) {
        const int dimension = cube.Definition().DimensionIndex(filter.dimension);
        std::set<std::uint32_t>& kept = layout.filters[dimension];
        for (const QString& label : filter.members)
            if (const std::optional<std::uint32_t> member = cube.FindMember(dimension, label))
                kept.insert(*member);
    }
    for (const QString& name : stored.measures)
        layout.measures.push_back(cube.Definition().MeasureIndex(name));
    layout.showAs = stored.showAs;
    if (!stored.showAsField.isEmpty())
        layout.showAsDimension = cube.Definition().DimensionIndex(stored.showAsField);
    ApplySort(cube, stored.rowSort, layout.columns.dimensions, layout.rows);
    ApplySort(cube, stored.columnSort, layout.rows.dimensions, layout.columns);
    layout.rows.grandTotal = stored.rowTotals.grand;
    layout.rows.subtotals = stored.rowTotals.sub;
    layout.columns.grandTotal = stored.columnTotals.grand;
    layout.columns.subtotals = stored.columnTotals.sub;
    return layout;
}

int ShowAsBaseDimension(const TPivotLayout& layout) {
    const auto onAxis = [&](const std::vector<int>& dimensions) {
        return std::find(dimensions.begin(), dimensions.end(), layout.showAsDimension) != dimensions.end();
    };
    if (layout.showAsDimension >= 0 && (onAxis(layout.rows.dimensions) || onAxis(layout.columns.dimensions)))
        return layout.showAsDimension;
    if (!layout.rows.dimensions.empty())
        return layout.rows.dimensions.back();
    if (!layout.columns.dimensions.empty())
        return layout.columns.dimensions.back();
    return -1;
}

TCubeLayoutDef LayoutDefinition(const TCube& cube, const TPivotLayout& layout) {
    TCubeLayoutDef stored;
    stored.rows = NamesOf(cube, layout.rows.dimensions);
    stored.columns = NamesOf(cube, layout.columns.dimensions);
    for (const auto& [dimension, members] : layout.filters) {
        TCubeFilterDef filter{cube.Dimension(dimension).def.name, {}};
        for (const std::uint32_t member : members)
            filter.members << cube.MemberLabel(dimension, member);
        stored.filters.push_back(filter);
    }
    for (const int measure : layout.measures)
        stored.measures << cube.Measure(measure).def.name;
    stored.showAs = layout.showAs;
    if (layout.showAsDimension >= 0 && layout.showAsDimension < cube.DimensionCount())
        stored.showAsField = cube.Dimension(layout.showAsDimension).def.name;
    stored.rowSort = SortDefinition(cube, layout.rows, layout.columns.dimensions);
    stored.columnSort = SortDefinition(cube, layout.columns, layout.rows.dimensions);
    stored.rowTotals = {layout.rows.grandTotal, layout.rows.subtotals};
    stored.columnTotals = {layout.columns.grandTotal, layout.columns.subtotals};
    return stored;
}

QString RememberedLayoutText(const TCube& cube, const TPivotLayout& layout) {
    return QString::fromUtf8(LayoutToBytes(LayoutDefinition(cube, layout)));
}

std::optional<TPivotLayout> LayoutFromRememberedText(const TCube& cube, const QString& text) {
    if (text.isEmpty())
        return std::nullopt;
    try {
        TPivotLayout layout = DefinedLayout(cube, LayoutFromBytes(text.toUtf8(), cube.Definition()));
        for (const auto& [dimension, kept] : layout.filters)
            if (kept.empty())
                return std::nullopt;
        return layout;
    } catch (const ECubeError&) {
        return std::nullopt;
    }
}

namespace {

/// Past this a width is a slip of the mouse or a damaged file.
constexpr int WidestColumn = 2000;

} // namespace

QString RememberedWidthsText(const TCube& cube, const TPivotColumnWidths& widths) {
    if (widths == TPivotColumnWidths{})
        return {};
    QJsonObject headings;
    for (const auto& [column, width] : widths.headings)
        headings.insert(QString::number(column), width);
    QJsonObject measures;
    for (const auto& [measure, width] : widths.measures)
        measures.insert(cube.Measure(measure).def.name, width);
    const QJsonObject stored{{"koppen", headings}, {"maten", measures}};
    return QString::fromUtf8(QJsonDocument(stored).toJson(QJsonDocument::Compact));
}

TPivotColumnWidths WidthsFromRememberedText(const TCube& cube, const QString& text) {
    TPivotColumnWidths widths;
    const QJsonObject stored = QJsonDocument::fromJson(text.toUtf8()).object();
    const QJsonObject headings = stored.value(QStringLiteral("koppen")).toObject();
    for (auto it = headings.begin(); it != headings.end(); ++it) {
        bool number = false;
        const int column = it.key().toInt(&number);
        if (number && column >= 0 && it.value().toInt() > 0)
            widths.headings[column] = std::min(it.value().toInt(), WidestColumn);
    }
    const QJsonObject measures = stored.value(QStringLiteral("maten")).toObject();
    for (int measure = 0; measure < cube.MeasureCount(); ++measure) {
        const int width = measures.value(cube.Measure(measure).def.name).toInt();
        if (width > 0)
            widths.measures[measure] = std::min(width, WidestColumn);
    }
    return widths;
}

namespace {

[[noreturn]] void FailLayout(const QString& what) {
    throw ECubeError(QStringLiteral("Kubusindeling: ") + what);
}

} // namespace

void RequireLayoutFits(const TCube& cube, const TPivotLayout& layout) {
    const int dimensions = cube.DimensionCount();
    std::set<int> placed;
    for (const std::vector<int>* axis : {&layout.rows.dimensions, &layout.columns.dimensions})
        for (const int dimension : *axis) {
            if (dimension < 0 || dimension >= dimensions)
                FailLayout(QStringLiteral("dimensie %1 bestaat niet").arg(dimension));
            if (!placed.insert(dimension).second)
                FailLayout(QStringLiteral("dimensie \"%1\" staat meer dan eens op de assen")
                               .arg(cube.Dimension(dimension).def.caption));
        }
    for (const auto& [dimension, members] : layout.filters) {
        if (dimension < 0 || dimension >= dimensions)
            FailLayout(QStringLiteral("filter op dimensie %1, die niet bestaat").arg(dimension));
        if (!members.empty() && *members.rbegin() >= cube.MemberCount(dimension))
            FailLayout(QStringLiteral("filter op dimensie \"%1\" noemt een lid dat niet bestaat")
                           .arg(cube.Dimension(dimension).def.caption));
    }
    for (const int measure : layout.measures)
        if (measure < 0 || measure >= cube.MeasureCount())
            FailLayout(QStringLiteral("maat %1 bestaat niet").arg(measure));
    if (layout.showAsDimension < -1 || layout.showAsDimension >= cube.DimensionCount())
        FailLayout(
            QStringLiteral("weergave langs dimensie %1, die niet bestaat").arg(layout.showAsDimension));
    for (const TAxisLayout* axis : {&layout.rows, &layout.columns})
        if (axis->sortBy == TSortBy::Measure &&
            (axis->sortMeasure < 0 || axis->sortMeasure >= cube.MeasureCount()))
            FailLayout(QStringLiteral("sorteren op maat %1, die niet bestaat").arg(axis->sortMeasure));
}

namespace {

bool Holds(const std::vector<int>& dimensions, int dimension) {
    return std::find(dimensions.begin(), dimensions.end(), dimension) != dimensions.end();
}

bool OnAxis(const TPivotLayout& layout, int dimension) {
    return Holds(layout.rows.dimensions, dimension) || Holds(layout.columns.dimensions, dimension);
}

/// Removes a dimension from a list; answers where it was, or -1.
int RemoveFrom(std::vector<int>& list, int dimension) {
    const auto found = std::find(list.begin(), list.end(), dimension);
    if (found == list.end())
        return -1;
    const int index = static_cast<int>(found - list.begin());
    list.erase(found);
    return index;
}

/// Collapsed members are named by paths over the axis's dimensions: other dimensions, other paths.
void ForgetCollapsed(TAxisLayout& axis) {
    axis.collapsed.clear();
    axis.expanded.clear();
    axis.collapsedLevels.clear();
}

} // namespace

std::vector<int> SettledFilterZone(const TPivotLayout& layout, std::vector<int> filterZone) {
    std::erase_if(filterZone, [&](int dimension) { return OnAxis(layout, dimension); });
    for (const auto& [dimension, kept] : layout.filters)
        if (!OnAxis(layout, dimension) && !Holds(filterZone, dimension))
            filterZone.push_back(dimension);
    return filterZone;
}

TZonedLayout MovedDimension(const TCube& cube, const TZonedLayout& from, int dimension, TCubeZone zone,
                            int position) {
    if (dimension < 0 || dimension >= cube.DimensionCount())
        throw ECubeError(QStringLiteral("Kubusindeling: er is geen dimensie %1").arg(dimension));
    TZonedLayout moved = from;
    TPivotLayout& layout = moved.pivot;
    const int fromRows = RemoveFrom(layout.rows.dimensions, dimension);
    const int fromColumns = RemoveFrom(layout.columns.dimensions, dimension);
    const int fromFilters = RemoveFrom(moved.filterZone, dimension);
    std::vector<int>* target = nullptr;
    int was = -1;
    switch (zone) {
    case TCubeZone::Rows:
        target = &layout.rows.dimensions;
        was = fromRows;
        break;
    case TCubeZone::Columns:
        target = &layout.columns.dimensions;
        was = fromColumns;
        break;
    case TCubeZone::Filters:
        target = &moved.filterZone;
        was = fromFilters;
        break;
    case TCubeZone::Unused:
        layout.filters.erase(dimension);
        break;
    }
    if (target != nullptr) {
        if (was >= 0 && was < position)
            --position;
        position = std::clamp(position, 0, static_cast<int>(target->size()));
        target->insert(target->begin() + position, dimension);
    }
    if (layout.rows.dimensions != from.pivot.rows.dimensions)
        ForgetCollapsed(layout.rows);
    if (layout.columns.dimensions != from.pivot.columns.dimensions)
        ForgetCollapsed(layout.columns);
    return moved;
}

void KeepMembers(TPivotLayout& layout, const TCube& cube, int dimension,
                 const std::set<std::uint32_t>& kept) {
    if (kept.empty() || kept.size() >= cube.MemberCount(dimension))
        layout.filters.erase(dimension);
    else
        layout.filters[dimension] = kept;
}

void SortRowsByMeasure(TAxisLayout& rows, int measure, const TMemberPath& columnLine) {
    const bool again =
        rows.sortBy == TSortBy::Measure && rows.sortMeasure == measure && rows.sortLine == columnLine;
    rows.descending = again && !rows.descending;
    rows.sortBy = TSortBy::Measure;
    rows.sortMeasure = measure;
    rows.sortLine = columnLine;
}

} // namespace vorn
