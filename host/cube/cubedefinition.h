#pragma once

#include "host/data/errors.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace vorn {

class TField;

/// A cube definition that cannot be read or does not fit the columns of its query (the message
/// starts with "Kubusdefinitie: "), or a pivot layout that does not fit its cube ("Kubusindeling: ").
/// The message is Dutch and names the fault.
class ECubeError : public EVornError {
public:
    using EVornError::EVornError;
};

/// How a dimension turns a column's values into members.
enum class TCubeGroup : std::uint8_t {
    None,       // one member per value
    Year,       // dates: "2024"
    Month,      // dates: "2024-09"
    SchoolYear, // dates: "2024-2025", from 1 September to 31 August
    Band,       // numbers: bands of `width`, "10-14"
};

enum class TCubeAggregate : std::uint8_t { Count, CountDistinct, Sum, Average, Minimum, Maximum };

/// What a cell shows: its value, or its value as a fraction of a total, or against the other
/// members of a field (the base field) in the order shown: the difference from the previous
/// member, that difference as a fraction of the previous member's value, the running total, or the
/// rank (1 for the highest value) among the members of the same parent.
enum class TShowAs : std::uint8_t {
    Value,
    PercentOfRow,
    PercentOfColumn,
    PercentOfTotal,
    DifferenceFromPrevious,
    PercentDifferenceFromPrevious,
    RunningTotal,
    Rank
};
/// Whether a show-as compares a member with the other members of the base field.
bool IsAlongAField(TShowAs showAs);
/// Whether a show-as gives a fraction, shown as a percentage.
bool ShowsFraction(TShowAs showAs);

enum class TSortBy : std::uint8_t { Label, Measure };

struct TCubeDimensionDef {
    QString name; // how the layout refers to it; the field when not given
    QString field;
    QString caption; // the name when not given
    TCubeGroup group = TCubeGroup::None;
    double width = 0; // bands only

    bool operator==(const TCubeDimensionDef&) const = default;
};

struct TCubeMeasureDef {
    QString name;  // the field when not given; for a count without field the caption, or "Aantal"
    QString field; // empty only for a count of rows
    QString caption;
    QString format; // number format; empty means the aggregate's own
    TCubeAggregate aggregate = TCubeAggregate::Count;

    bool operator==(const TCubeMeasureDef&) const = default;
};

struct TCubeSortDef {
    TSortBy by = TSortBy::Label;
    QString measure;  // by measure: the measure's name
    QStringList line; // by measure: the labels of the other axis' line that sorts; empty: its total
    bool descending = false;

    bool operator==(const TCubeSortDef&) const = default;
};

struct TCubeTotalsDef {
    bool grand = true;
    bool sub = true;

    bool operator==(const TCubeTotalsDef&) const = default;
};

/// The members of one dimension that are kept, by their labels.
struct TCubeFilterDef {
    QString dimension;
    QStringList members;

    bool operator==(const TCubeFilterDef&) const = default;
};

/// The stored arrangement of a cube; names are spelled as the dimensions and measures spell them.
struct TCubeLayoutDef {
    QStringList rows;
    QStringList columns;
    std::vector<TCubeFilterDef> filters;
    QStringList measures;
    TShowAs showAs = TShowAs::Value;
    QString showAsField; // the base field of a show-as along a field; empty: the innermost row field
    TCubeSortDef rowSort;
    TCubeSortDef columnSort;
    TCubeTotalsDef rowTotals;
    TCubeTotalsDef columnTotals;

    bool operator==(const TCubeLayoutDef&) const = default;
};

/// A stored cube: which result columns are dimensions and measures, and how they are arranged.
/// The format is described in docs/cube.md.
class TOLAPDefinition {
public:
    std::vector<TCubeDimensionDef> dimensions;
    std::vector<TCubeMeasureDef> measures;
    TCubeLayoutDef layout;

    /// Reads a definition (the full form, or the short form with rows, columns and values);
    /// raises ECubeError naming the fault.
    static TOLAPDefinition LoadFromBytes(const QByteArray& bytes);
    static TOLAPDefinition LoadFromText(const QString& text);
    /// Reads the definition stored in a blob field of the current row.
    static TOLAPDefinition LoadFromBlobField(const TField& field);

    /// The definition in the full form, layout written out; reading it gives this definition again.
    QByteArray ToBytes() const;

    /// Index of the dimension or measure of that name, letter case ignored; -1 when absent.
    int DimensionIndex(const QString& name) const;
    int MeasureIndex(const QString& name) const;

    bool operator==(const TOLAPDefinition&) const = default;
};

TOLAPDefinition ParseCubeDefinition(const QByteArray& bytes);

/// A layout alone, as a definition's "layout" object in compact JSON: how a rearranged cube is
/// remembered.
QByteArray LayoutToBytes(const TCubeLayoutDef& layout);
/// A layout written by LayoutToBytes, its names resolved against the definition's; raises
/// ECubeError naming the fault.
TCubeLayoutDef LayoutFromBytes(const QByteArray& bytes, const TOLAPDefinition& definition);

/// The names the format uses ("countDistinct", "schoolYear", "percentOfRow").
QString AggregateName(TCubeAggregate aggregate);
QString GroupName(TCubeGroup group);
QString ShowAsName(TShowAs showAs);

/// Whether the aggregate reads the values of a number column (sum, average, minimum, maximum).
bool NeedsNumbers(TCubeAggregate aggregate);

} // namespace vorn
