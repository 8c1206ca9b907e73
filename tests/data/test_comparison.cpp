#include "host/data/cell.h"
#include "host/data/clientdataset.h"
#include "host/data/comparison.h"
#include "host/data/errors.h"

#include <gtest/gtest.h>

using namespace vorn;

namespace {

struct Category {
    QString code;
    QString description;
    int count;
};

void Fill(TVornClientDataSet& table, const std::vector<Category>& rows) {
    table.AddField(FieldDef::string("Code", 10));
    table.AddField(FieldDef::string("Omschrijving", 40));
    table.AddField(FieldDef::integer("Count").req().label("Inschrijvingen"));
    table.CreateDataSet();
    for (const Category& row : rows) {
        table.Append();
        table.FieldByName("Code").SetAsString(row.code);
        table.FieldByName("Omschrijving").SetAsString(row.description);
        table.FieldByName("Count").SetAsInteger(row.count);
        table.Post();
    }
}

TComparisonLayout ByCode() {
    TComparisonLayout layout;
    layout.matchFields = {"Code"};
    layout.fallbackFields = {"Omschrijving"};
    layout.labelFields = {"Code", "Omschrijving"};
    layout.figureFields = {"Count"};
    return layout;
}

/// The compared table as lines "code|description|now|then|difference|change".
std::vector<QString> Lines(const Table& table) {
    std::vector<QString> lines;
    for (std::size_t row = 0; row < table.rowCount(); ++row) {
        QStringList cells;
        for (std::size_t column = 0; column < table.columns.size(); ++column)
            cells << CellText(table.fields[column], CellAt(table.columns[column], row));
        lines.push_back(cells.join('|'));
    }
    return lines;
}

} // namespace

TEST(ChangeText, SaysNewFromZeroMinusHundredToZeroAndNothingWithoutBothSides) {
    EXPECT_EQ(ChangeText(110, 100), "+10 %");
    EXPECT_EQ(ChangeText(2, 3), "-33,3 %");
    EXPECT_EQ(ChangeText(0, 40), "-100 %");
    EXPECT_EQ(ChangeText(5, 0), "nieuw");
    EXPECT_EQ(ChangeText(0, 0), "0 %");
    EXPECT_EQ(ChangeText(-5, -10), "+50 %") << "a negative base: the change is measured on its size";
    EXPECT_EQ(ChangeText(std::nullopt, 4), "");
    EXPECT_EQ(ChangeText(4, std::nullopt), "");
    EXPECT_EQ(ChangeText(1000001, 1000000), "0 %") << "rounded to one decimal";
}

TEST(Comparison, MatchesByCodeIgnoringCaseThenByDescriptionAndKeepsOneSidedRowsEmptyOnTheOtherSide) {
    TVornClientDataSet now("now");
    TVornClientDataSet then("then");
    Fill(now,
         {{"1A", "Eerste A", 20}, {"", "Zonder code", 4}, {"NEW", "Nieuw vak", 7}, {"2b ", "Tweede B", 0}});
    Fill(then, {{"OLD", "Verdwenen", 9},
                {"2B", "Tweede B (oud)", 5},
                {"1a", "Eerste A (oud)", 16},
                {"", "zonder CODE", 0}});

    const Table table = CompareRows(now, then, ByCode());
    ASSERT_EQ(table.fields.size(), 6U);
    EXPECT_EQ(table.fields[3].name, "Count_VGL");
    EXPECT_EQ(table.fields[3].displayLabel, "Inschrijvingen vgl.");
    EXPECT_EQ(table.fields[5].displayLabel, "Inschrijvingen %");
    EXPECT_EQ(Lines(table), (std::vector<QString>{"1A|Eerste A|20|16|4|+25 %", "|Zonder code|4|0|4|nieuw",
                                                  "NEW|Nieuw vak|7|||", "2b |Tweede B|0|5|-5|-100 %",
                                                  "OLD|Verdwenen||9||"}));
}

TEST(Comparison, PairsRepeatedCodesInOrderAndNeverPairsAnEmptyCodeWithADescriptionThatLooksLikeIt) {
    TVornClientDataSet now("now");
    TVornClientDataSet then("then");
    Fill(now, {{"X", "eerste", 1}, {"X", "tweede", 2}, {"", "X", 3}});
    Fill(then, {{"X", "oud", 10}, {"", "x", 30}});
    const std::vector<TComparedRow> rows = PairRows(now, then, ByCode());
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0].other, 0);
    EXPECT_FALSE(rows[1].other.has_value()) << "the second X has no partner left";
    EXPECT_EQ(rows[2].other, 1) << "matched on the description, since it has no code";
}

TEST(Comparison, AmongRowsOfTheSameCodeTheOneWithTheSameIdIsPairedFirst) {
    TVornClientDataSet now("now");
    TVornClientDataSet then("then");
    for (auto* table : {&now, &then}) {
        table->AddField(FieldDef::integer("ID"));
        table->AddField(FieldDef::string("Code", 10));
        table->AddField(FieldDef::integer("Count"));
        table->CreateDataSet();
    }
    const auto add = [](TVornClientDataSet& table, int id, const char* code) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(id);
        table.FieldByName("Code").SetAsString(code);
        table.FieldByName("Count").SetAsInteger(id);
        table.Post();
    };
    add(now, 16, "VM008");
    add(now, 15, "VM008");
    add(now, 30, "VM009");
    add(then, 15, "VM008");
    add(then, 16, "VM008");
    add(then, 31, "VM009");
    TComparisonLayout layout;
    layout.matchFields = {"Code"};
    layout.labelFields = {"ID", "Code"};
    layout.figureFields = {"Count"};
    layout.idField = "ID";
    const std::vector<TComparedRow> rows = PairRows(now, then, layout);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0].other, 1);
    EXPECT_EQ(rows[1].other, 0);
    EXPECT_EQ(rows[2].other, 2) << "one row of a code on each side: paired whatever their ids";
}

TEST(Comparison, CategoriesThatMeanSomethingElseEachYearAreNeverPaired) {
    TVornClientDataSet now("now");
    TVornClientDataSet then("then");
    Fill(now, {{"1A", "Eerste A", 20}});
    Fill(then, {{"1A", "Eerste A", 16}, {"1B", "Eerste B", 3}});
    TComparisonLayout layout = ByCode();
    layout.matchable = false;
    EXPECT_EQ(Lines(CompareRows(now, then, layout)), (std::vector<QString>{"1A|Eerste A|20|||"}));
}

TEST(Comparison, DecimalFiguresKeepTheirScaleAndAnEmptyOtherSideGivesEmptyColumns) {
    TVornClientDataSet now("now");
    TVornClientDataSet then("then");
    for (TVornClientDataSet* table : {&now, &then}) {
        table->AddField(FieldDef::string("Vak", 10));
        table->AddField(FieldDef::decimal("Uren", 18, 2));
        table->CreateDataSet();
    }
    now.Append();
    now.FieldByName("Vak").SetAsString("WIS");
    now.FieldByName("Uren").SetAsFloat(12.5);
    now.Post();
    then.Append();
    then.FieldByName("Vak").SetAsString("WIS");
    then.FieldByName("Uren").SetAsFloat(10.25);
    then.Post();
    TComparisonLayout layout;
    layout.matchFields = {"Vak"};
    layout.labelFields = {"Vak"};
    layout.figureFields = {"Uren"};
    EXPECT_EQ(Lines(CompareRows(now, then, layout)), (std::vector<QString>{"WIS|12.5|10.25|2.25|+22 %"}));

    then.First();
    then.Delete();
    EXPECT_EQ(Lines(CompareRows(now, then, layout)), (std::vector<QString>{"WIS|12.5|||"}));
    layout.figureFields = {"Vak"};
    EXPECT_THROW(CompareRows(now, then, layout), EClientError) << "a text is not compared";
}

TEST(Comparison, RowsInOrderCopiesTheDataFieldsInTheDatasetsOrder) {
    TVornClientDataSet table("t");
    Fill(table, {{"B", "b", 2}, {"A", "a", 1}, {"C", "c", 3}});
    table.Sort("Code");
    const Table copy = RowsInOrder(table);
    EXPECT_EQ(Lines(copy), (std::vector<QString>{"A|a|1", "B|b|2", "C|c|3"}));
    EXPECT_EQ(SumOf(table, "Count"), 6.0);
    EXPECT_FALSE(SumOf(table, "Missing").has_value());
}

TEST(Trend, ShowsTheTotalAndTheLargestCategoriesOfTheLastYearInEveryYearTheyHad) {
    TVornClientDataSet first("2023");
    TVornClientDataSet second("2024");
    TVornClientDataSet last("2025");
    Fill(first, {{"A", "Alfa", 5}, {"GONE", "Weg", 50}});
    Fill(second, {{"B", "Beta", 7}, {"a", "Alfa", 6}});
    Fill(last, {{"A", "Alfa", 8}, {"C", "Gamma", 1}, {"B", "Beta", 9}});
    const std::vector<TTrendYear> years{{&first, "2023-2024", std::nullopt},
                                        {&second, "2024-2025", std::nullopt},
                                        {&last, "2025-2026", 30.0}};
    const Table table = TrendRows(years, ByCode(), "Count", 2);
    ASSERT_EQ(table.fields.size(), 5U);
    EXPECT_EQ(table.fields[2].displayLabel, "2023-2024");
    EXPECT_EQ(table.fields[4].name, "SJ_2025_2026");
    EXPECT_EQ(Lines(table), (std::vector<QString>{"Totaal||55|13|30", "B|Beta||7|9", "A|Alfa|5|6|8"}))
        << "the given total wins over the sum; C is not among the two largest; GONE only counts in its total";
    EXPECT_EQ(TrendRows(years, ByCode(), "Count", 0).rowCount(), 1U);
}
