// Building a cube: members in natural order, the date and band groupings at their boundaries, the
// member "(leeg)", the binding of a definition to the columns, and the rows of a client dataset.
#include "memorycolumns.h"

#include "host/cube/cube.h"
#include "host/data/clientdataset.h"
#include "host/data/datetime.h"
#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vorn;
using vorn::testing::TMemoryColumns;

namespace {

TCubeDimensionDef Dimension(const QString& name, const QString& field, TCubeGroup group = TCubeGroup::None,
                            double width = 0) {
    return {name, field, name, group, width};
}

TOLAPDefinition Definition(std::vector<TCubeDimensionDef> dimensions,
                           std::vector<TCubeMeasureDef> measures = {
                               {"Aantal", "", "Aantal", "", TCubeAggregate::Count}}) {
    TOLAPDefinition definition;
    definition.dimensions = std::move(dimensions);
    definition.measures = std::move(measures);
    definition.layout.rows << definition.dimensions.front().name;
    for (const TCubeMeasureDef& measure : definition.measures)
        definition.layout.measures << measure.name;
    return definition;
}

/// The label of every row's member, in row order.
QStringList RowLabels(const TCube& cube, int dimension) {
    QStringList labels;
    for (const std::uint32_t code : cube.Dimension(dimension).codes)
        labels << cube.MemberLabel(dimension, code);
    return labels;
}

QString BuildError(const TOLAPDefinition& definition, const ICubeColumns& columns) {
    try {
        TCube::Build(definition, columns);
    } catch (const ECubeError& error) {
        return error.message();
    }
    return QStringLiteral("(geen fout)");
}

std::optional<double> Day(int year, int month, int day, double fraction = 0) {
    return EncodeDate(year, month, day) + fraction;
}

} // namespace

TEST(CubeBuild, TextsSortAlphabeticallyWithoutLetterCaseAndWithNumbersByValue) {
    TMemoryColumns columns;
    columns.AddTexts("KLAS", {"klas 10", "Klas 2", std::nullopt, "b", "A", "klas 10", "a", ""});
    const auto cube = TCube::Build(Definition({Dimension("KLAS", "KLAS")}), columns);
    EXPECT_EQ(cube->Dimension(0).labels, (QStringList{"", "A", "a", "b", "Klas 2", "klas 10", "(leeg)"}));
    EXPECT_TRUE(cube->Dimension(0).hasEmptyMember);
    EXPECT_EQ(RowLabels(*cube, 0),
              (QStringList{"klas 10", "Klas 2", "(leeg)", "b", "A", "klas 10", "a", ""}));
    EXPECT_EQ(cube->FindMember(0, "Klas 2"), 4u);
    EXPECT_FALSE(cube->FindMember(0, "klas 2"));
}

TEST(CubeBuild, NumbersSortByValueAndBothZerosAreOneMember) {
    TMemoryColumns columns;
    columns.AddIntegers("GRAAD", {10, -3, 2, std::nullopt, 2});
    columns.AddNumbers("UREN", TCubeValueKind::Number, {2.5, -0.0, 0.0, std::nan(""), 10});
    const auto cube =
        TCube::Build(Definition({Dimension("GRAAD", "GRAAD"), Dimension("UREN", "UREN")}), columns);
    EXPECT_EQ(cube->Dimension(0).labels, (QStringList{"-3", "2", "10", "(leeg)"}));
    EXPECT_EQ(RowLabels(*cube, 0), (QStringList{"10", "-3", "2", "(leeg)", "2"}));
    // NaN is no value.
    EXPECT_EQ(cube->Dimension(1).labels, (QStringList{"0", "2,5", "10", "(leeg)"}));
    EXPECT_EQ(RowLabels(*cube, 1), (QStringList{"2,5", "0", "0", "(leeg)", "10"}));
}

TEST(CubeBuild, ValuesThatPrintAlikeAreOneMember) {
    TMemoryColumns columns;
    columns.AddNumbers("UREN", TCubeValueKind::Number, {0.1 + 0.2, 0.3, 1.0 / 3});
    const double second = 1.0 / 86400;
    columns.AddNumbers(
        "BEGIN", TCubeValueKind::Date,
        {*Day(2024, 9, 1, 0.5), *Day(2024, 9, 1, 0.5) + second / 1000, *Day(2024, 9, 1, 0.5) + second});
    const auto cube =
        TCube::Build(Definition({Dimension("Uren", "UREN"), Dimension("Begin", "BEGIN")}), columns);
    EXPECT_EQ(cube->Dimension(0).labels, (QStringList{"0,3", "0,333333333333333"}));
    EXPECT_EQ(cube->Dimension(1).labels, (QStringList{"2024-09-01 12:00", "2024-09-01 12:00:01"}));
    EXPECT_EQ(RowLabels(*cube, 1),
              (QStringList{"2024-09-01 12:00", "2024-09-01 12:00", "2024-09-01 12:00:01"}));
}

TEST(CubeBuild, AColumnWithoutNullsHasNoEmptyMember) {
    TMemoryColumns columns;
    columns.AddIntegers("GRAAD", {1, 2});
    const auto cube = TCube::Build(Definition({Dimension("GRAAD", "GRAAD")}), columns);
    EXPECT_FALSE(cube->Dimension(0).hasEmptyMember);
    EXPECT_EQ(cube->MemberCount(0), 2u);
}

TEST(CubeBuild, MonthsYearsAndSchoolYearsTurnAtTheirFirstDay) {
    TMemoryColumns columns;
    columns.AddNumbers("BEGIN", TCubeValueKind::Date,
                       {Day(2024, 8, 31, 0.99), Day(2024, 9, 1), Day(2023, 12, 31), Day(2024, 1, 1),
                        std::nullopt, Day(2025, 8, 31), Day(2025, 9, 1)});
    const auto cube = TCube::Build(
        Definition({Dimension("Maand", "BEGIN", TCubeGroup::Month),
                    Dimension("Jaar", "BEGIN", TCubeGroup::Year),
                    Dimension("Schooljaar", "BEGIN", TCubeGroup::SchoolYear), Dimension("Dag", "BEGIN")}),
        columns);
    EXPECT_EQ(RowLabels(*cube, 0),
              (QStringList{"2024-08", "2024-09", "2023-12", "2024-01", "(leeg)", "2025-08", "2025-09"}));
    EXPECT_EQ(cube->Dimension(0).labels,
              (QStringList{"2023-12", "2024-01", "2024-08", "2024-09", "2025-08", "2025-09", "(leeg)"}));
    EXPECT_EQ(RowLabels(*cube, 1), (QStringList{"2024", "2024", "2023", "2024", "(leeg)", "2025", "2025"}));
    EXPECT_EQ(RowLabels(*cube, 2), (QStringList{"2023-2024", "2024-2025", "2023-2024", "2023-2024", "(leeg)",
                                                "2024-2025", "2025-2026"}));
    EXPECT_EQ(cube->Dimension(2).labels, (QStringList{"2023-2024", "2024-2025", "2025-2026", "(leeg)"}));
    EXPECT_EQ(RowLabels(*cube, 3).first(), QStringLiteral("2024-08-31 23:45:36"));
    EXPECT_EQ(RowLabels(*cube, 3)[1], QStringLiteral("2024-09-01"));
}

TEST(CubeBuild, DatesBeforeDayZeroGroupByTheirCalendarDay) {
    TMemoryColumns columns;
    // 29 December 1899 at six in the morning, and 31 August 1899.
    columns.AddNumbers("BEGIN", TCubeValueKind::Date, {-1.25, Day(1899, 8, 31)});
    const auto cube = TCube::Build(Definition({Dimension("Maand", "BEGIN", TCubeGroup::Month),
                                               Dimension("Schooljaar", "BEGIN", TCubeGroup::SchoolYear)}),
                                   columns);
    EXPECT_EQ(RowLabels(*cube, 0), (QStringList{"1899-12", "1899-08"}));
    EXPECT_EQ(RowLabels(*cube, 1), (QStringList{"1899-1900", "1898-1899"}));
}

TEST(CubeBuild, BandsOfWholeNumbersIncludeBothEnds) {
    TMemoryColumns columns;
    columns.AddIntegers("LEEFTIJD", {-6, -5, -1, 0, 4, 14, 15, std::nullopt});
    const auto cube =
        TCube::Build(Definition({Dimension("Leeftijd", "LEEFTIJD", TCubeGroup::Band, 5)}), columns);
    EXPECT_EQ(RowLabels(*cube, 0), (QStringList{"-10 t/m -6", "-5 t/m -1", "-5 t/m -1", "0-4", "0-4", "10-14",
                                                "15-19", "(leeg)"}));
    EXPECT_EQ(cube->Dimension(0).labels,
              (QStringList{"-10 t/m -6", "-5 t/m -1", "0-4", "10-14", "15-19", "(leeg)"}));
}

TEST(CubeBuild, BandsWithFractionsHoldTheirLowerBoundOnly) {
    TMemoryColumns columns;
    columns.AddNumbers("UREN", TCubeValueKind::Number, {14.5, -0.5, 15, 0, -5});
    columns.AddIntegers("LEEFTIJD", {3, -1, 5, 0, 2});
    const auto cube = TCube::Build(Definition({Dimension("Uren", "UREN", TCubeGroup::Band, 5),
                                               Dimension("Leeftijd", "LEEFTIJD", TCubeGroup::Band, 2.5)}),
                                   columns);
    EXPECT_EQ(RowLabels(*cube, 0),
              (QStringList{"10 tot 15", "-5 tot 0", "15 tot 20", "0 tot 5", "-5 tot 0"}));
    EXPECT_EQ(RowLabels(*cube, 1),
              (QStringList{"2,5 tot 5", "-2,5 tot 0", "5 tot 7,5", "0 tot 2,5", "0 tot 2,5"}));
    EXPECT_EQ(cube->Dimension(1).labels, (QStringList{"-2,5 tot 0", "0 tot 2,5", "2,5 tot 5", "5 tot 7,5"}));
}

TEST(CubeBuild, ExtremeValuesStayValues) {
    TMemoryColumns columns;
    const std::int64_t most = std::numeric_limits<std::int64_t>::max();
    const std::int64_t least = std::numeric_limits<std::int64_t>::min();
    columns.AddIntegers("N", {most, least, 0});
    columns.AddNumbers("D", TCubeValueKind::Date, {1e300, -1e300, 45000});
    const auto cube = TCube::Build(
        Definition({Dimension("Band", "N", TCubeGroup::Band, 7), Dimension("Maand", "D", TCubeGroup::Month)}),
        columns);
    EXPECT_EQ(cube->MemberCount(0), 3u);
    EXPECT_EQ(RowLabels(*cube, 0)[2], QStringLiteral("0-6"));
    // Days beyond the calendar are no value.
    EXPECT_EQ(RowLabels(*cube, 1), (QStringList{"(leeg)", "(leeg)", "2023-03"}));
}

TEST(CubeBuild, ColumnsMatchWithoutRegardToLetterCase) {
    TMemoryColumns columns;
    columns.AddTexts("klas", {"1A"});
    const auto cube = TCube::Build(Definition({Dimension("KLAS", "KLAS")}), columns);
    EXPECT_EQ(cube->MemberLabel(0, 0), QStringLiteral("1A"));
}

struct TBindingFault {
    const char* what;
    TOLAPDefinition definition;
    QString message;
};

class CubeBindingFaults : public ::testing::TestWithParam<TBindingFault> {};

TEST_P(CubeBindingFaults, NameTheColumn) {
    TMemoryColumns columns;
    columns.AddTexts("NAAM", {"Jan"});
    columns.AddIntegers("LEEFTIJD", {17});
    columns.AddNumbers("BEGIN", TCubeValueKind::Date, {Day(2024, 9, 1)});
    EXPECT_EQ(BuildError(GetParam().definition, columns), GetParam().message);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Columns, CubeBindingFaults, ::testing::Values(
    TBindingFault{"missing dimension column", Definition({Dimension("Leeftijd", "LEEFTIJD"), Dimension("Klas", "KLAS")}),
                  "Kubusdefinitie: kolom \"KLAS\" komt niet voor in het resultaat van de query"},
    TBindingFault{"missing measure column",
                  Definition({Dimension("Naam", "NAAM")}, {{"Uren", "UREN", "Uren", "", TCubeAggregate::Sum}}),
                  "Kubusdefinitie: kolom \"UREN\" komt niet voor in het resultaat van de query"},
    TBindingFault{"month of a text", Definition({Dimension("Maand", "NAAM", TCubeGroup::Month)}),
                  "Kubusdefinitie: dimensie \"Maand\": groepering \"month\" vraagt een datumkolom, maar kolom \"NAAM\" "
                  "bevat geen datums"},
    TBindingFault{"school year of a number", Definition({Dimension("Jaar", "LEEFTIJD", TCubeGroup::SchoolYear)}),
                  "Kubusdefinitie: dimensie \"Jaar\": groepering \"schoolYear\" vraagt een datumkolom, maar kolom "
                  "\"LEEFTIJD\" bevat geen datums"},
    TBindingFault{"band of a text", Definition({Dimension("Naam", "NAAM", TCubeGroup::Band, 5)}),
                  "Kubusdefinitie: dimensie \"Naam\": groepering \"band\" vraagt een kolom met getallen, maar kolom "
                  "\"NAAM\" bevat geen getallen"},
    TBindingFault{"band of a date", Definition({Dimension("Begin", "BEGIN", TCubeGroup::Band, 5)}),
                  "Kubusdefinitie: dimensie \"Begin\": groepering \"band\" vraagt een kolom met getallen, maar kolom "
                  "\"BEGIN\" bevat geen getallen"},
    TBindingFault{"sum of a text",
                  Definition({Dimension("Leeftijd", "LEEFTIJD")}, {{"N", "NAAM", "Namen", "", TCubeAggregate::Sum}}),
                  "Kubusdefinitie: maat \"Namen\": samenvatting \"sum\" vraagt een kolom met getallen, maar kolom "
                  "\"NAAM\" bevat geen getallen"},
    TBindingFault{"average of a date",
                  Definition({Dimension("Leeftijd", "LEEFTIJD")}, {{"B", "BEGIN", "", "", TCubeAggregate::Average}}),
                  "Kubusdefinitie: maat \"B\": samenvatting \"average\" vraagt een kolom met getallen, maar kolom "
                  "\"BEGIN\" bevat geen getallen"},
    TBindingFault{"maximum of a text",
                  Definition({Dimension("Leeftijd", "LEEFTIJD")}, {{"N", "NAAM", "N", "", TCubeAggregate::Maximum}}),
                  "Kubusdefinitie: maat \"N\": samenvatting \"maximum\" vraagt een kolom met getallen, maar kolom "
                  "\"NAAM\" bevat geen getallen"},
    TBindingFault{"a definition made in code is checked too",
                  Definition({Dimension("Leeftijd", "LEEFTIJD", TCubeGroup::Band, 0)}),
                  "Kubusdefinitie: dimensie \"Leeftijd\": \"width\" moet groter dan 0 zijn"}));
// clang-format on

TEST(CubeBuild, CountsAndDistinctCountsReadAnyColumn) {
    TMemoryColumns columns;
    columns.AddTexts("NAAM", {"Jan", std::nullopt, "Piet", "Jan"});
    columns.AddNumbers("BEGIN", TCubeValueKind::Date, {Day(2024, 9, 1), Day(2024, 9, 1), std::nullopt, 1.5});
    const auto cube = TCube::Build(
        Definition({Dimension("Naam", "NAAM")}, {{"Namen", "NAAM", "", "", TCubeAggregate::CountDistinct},
                                                 {"Dagen", "BEGIN", "", "", TCubeAggregate::Count},
                                                 {"Rijen", "", "", "", TCubeAggregate::Count}}),
        columns);
    const TCubeMeasure& names = cube->Measure(0);
    ASSERT_EQ(names.valueStarts.size(), 3u); // two names
    EXPECT_EQ(names.rowsByValue.size(), 3u);
    EXPECT_EQ(cube->Measure(1).present, (std::vector<std::uint8_t>{1, 1, 0, 1}));
    EXPECT_TRUE(cube->Measure(2).countsRows);
    EXPECT_GT(cube->MemoryBytes(), 0u);
}

namespace {

/// A dataset with a key, a decimal, a date (one not set), a text and a lookup of the text.
struct PupilRows {
    TVornClientDataSet names{"Namen"};
    TVornClientDataSet pupils{"Leerlingen"};

    PupilRows() {
        names.AddField(FieldDef::integer("N_ID"));
        names.AddField(FieldDef::wideString("N_NAAM", 20));
        names.CreateDataSet();
        for (const auto& [id, name] : std::vector<std::pair<int, QString>>{{1, "Ann"}, {2, "Bert"}}) {
            names.Append();
            names.FieldByName("N_ID").SetAsInteger(id);
            names.FieldByName("N_NAAM").SetAsString(name);
            names.Post();
        }
        pupils.AddField(FieldDef::integer("LL_ID"));
        pupils.AddField(FieldDef::decimal("UREN", 10, 2));
        pupils.AddField(FieldDef::date("BEGIN"));
        pupils.AddField(FieldDef::fixedChar("GESLACHT", 1));
        pupils.AddField(FieldDef::wideString("NAAM", 20).lookup("LL_ID", &names, "N_ID", "N_NAAM"));
        pupils.CreateDataSet();
        add(2, "1.25", QDate(2024, 9, 1), "M");
        add(1, "2.50", QDate(), "V");
        add(3, "0.10", QDate(2025, 1, 31), "V");
    }

    void add(int id, const char* hours, const QDate& begin, const char* sex) {
        pupils.Append();
        pupils.FieldByName("LL_ID").SetAsInteger(id);
        pupils.FieldByName("UREN").SetAsString(hours);
        if (begin.isValid())
            pupils.FieldByName("BEGIN").SetAsDateTime(DateToDateTime(begin));
        else
            pupils.FieldByName("BEGIN").SetAsDateTime(NoDate);
        pupils.FieldByName("GESLACHT").SetAsString(sex);
        pupils.Post();
    }
};

} // namespace

TEST(CubeBuild, ReadsAClientDatasetInItsCurrentOrder) {
    PupilRows rows;
    rows.pupils.Sort("LL_ID");
    const auto cube =
        TCube::Build(Definition({Dimension("Id", "ll_id"), Dimension("Maand", "BEGIN", TCubeGroup::Month),
                                 Dimension("Naam", "NAAM"), Dimension("Geslacht", "GESLACHT")},
                                {{"Uren", "UREN", "", "", TCubeAggregate::Sum}}),
                     rows.pupils);
    ASSERT_EQ(cube->RowCount(), 3u);
    EXPECT_EQ(RowLabels(*cube, 0), (QStringList{"1", "2", "3"}));
    // A date that is not set is no value.
    EXPECT_EQ(RowLabels(*cube, 1), (QStringList{"(leeg)", "2024-09", "2025-01"}));
    // A lookup field reads what it looks up.
    EXPECT_EQ(RowLabels(*cube, 2), (QStringList{"Ann", "Bert", "(leeg)"}));
    EXPECT_EQ(RowLabels(*cube, 3), (QStringList{"V", "M", "V"}));
    EXPECT_EQ(cube->Measure(0).values, (std::vector<double>{2.5, 1.25, 0.1}));
}

TEST(CubeBuild, AClosedDatasetIsRefused) {
    TVornClientDataSet closed;
    EXPECT_THROW(TCube::Build(Definition({Dimension("Id", "LL_ID")}), closed), ECubeError);
}
