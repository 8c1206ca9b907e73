// Cube definitions: the full form with its defaults, the short form of the demo databases, writing
// and reading back, and every fault with its Dutch message.
#include "host/cube/cubedefinition.h"

#include "host/data/clientdataset.h"
#include "tests/common/qtprint.h"

#include <gtest/gtest.h>

using namespace vorn;

namespace {

/// JSON written with single quotes, for readable literals.
QByteArray Json(const char* text) {
    return QByteArray(text).replace('\'', '"');
}

/// A full definition with the given dimensions, measures and (optional) layout members.
QByteArray Cube(const char* dimensions, const char* measures, const char* rest = "") {
    return Json("{'format': 'vorn-cube', 'version': 1, 'dimensions': [") + Json(dimensions) +
           Json("], 'measures': [") + Json(measures) + "]" + Json(rest) + "}";
}

const char* const Dimensions =
    "{'field': 'KLAS', 'caption': 'Klas'}, {'field': 'GESLACHT'}, {'field': 'GRAAD'}";
const char* const Measures = "{'field': 'UREN', 'aggregate': 'sum', 'caption': 'Uren'}";

QString MessageOf(const QByteArray& text) {
    try {
        ParseCubeDefinition(text);
    } catch (const ECubeError& error) {
        return error.message();
    }
    return QStringLiteral("(geen fout)");
}

} // namespace

TEST(CubeDefinition, ReadsTheFullForm) {
    const TOLAPDefinition definition = ParseCubeDefinition(Cube(
        "{'field': 'KLAS', 'caption': 'Klas'},"
        "{'name': 'Maand', 'field': 'CU_BEGINDATUM', 'caption': 'Maand van start', 'group': 'month'},"
        "{'field': 'LEEFTIJD', 'caption': 'Leeftijd', 'group': 'band', 'width': 5},"
        "{'field': 'GESLACHT'}, {'field': 'GRAAD'}",
        "{'name': 'Cursisten', 'field': 'LL_ID', 'aggregate': 'countDistinct', 'caption': 'Cursisten', "
        "'format': "
        "'#,##0'},"
        "{'field': 'UREN', 'aggregate': 'sum', 'caption': 'Uren', 'format': '0.0'}",
        ", 'layout': {'rows': ['KLAS'], 'columns': ['GESLACHT'], 'filters': {'GRAAD': ['1', '2']},"
        "  'measures': ['Cursisten'], 'showAs': 'percentOfRow',"
        "  'sort': {'rows': {'by': 'label', 'order': 'ascending'},"
        "           'columns': {'by': 'measure', 'measure': 'Cursisten', 'order': 'descending'}},"
        "  'totals': {'rows': {'grand': true, 'sub': true}, 'columns': {'grand': true, 'sub': false}}}"));
    ASSERT_EQ(definition.dimensions.size(), 5u);
    EXPECT_EQ(definition.dimensions[0], (TCubeDimensionDef{"KLAS", "KLAS", "Klas", TCubeGroup::None, 0}));
    EXPECT_EQ(definition.dimensions[1],
              (TCubeDimensionDef{"Maand", "CU_BEGINDATUM", "Maand van start", TCubeGroup::Month, 0}));
    EXPECT_EQ(definition.dimensions[2],
              (TCubeDimensionDef{"LEEFTIJD", "LEEFTIJD", "Leeftijd", TCubeGroup::Band, 5}));
    EXPECT_EQ(definition.dimensions[3].caption, QStringLiteral("GESLACHT"));
    ASSERT_EQ(definition.measures.size(), 2u);
    EXPECT_EQ(definition.measures[0],
              (TCubeMeasureDef{"Cursisten", "LL_ID", "Cursisten", "#,##0", TCubeAggregate::CountDistinct}));
    EXPECT_EQ(definition.measures[1], (TCubeMeasureDef{"UREN", "UREN", "Uren", "0.0", TCubeAggregate::Sum}));
    const TCubeLayoutDef& layout = definition.layout;
    EXPECT_EQ(layout.rows, QStringList{"KLAS"});
    EXPECT_EQ(layout.columns, QStringList{"GESLACHT"});
    ASSERT_EQ(layout.filters.size(), 1u);
    EXPECT_EQ(layout.filters[0], (TCubeFilterDef{"GRAAD", {"1", "2"}}));
    EXPECT_EQ(layout.measures, QStringList{"Cursisten"});
    EXPECT_EQ(layout.showAs, TShowAs::PercentOfRow);
    EXPECT_EQ(layout.rowSort, (TCubeSortDef{TSortBy::Label, {}, {}, false}));
    EXPECT_EQ(layout.columnSort, (TCubeSortDef{TSortBy::Measure, "Cursisten", {}, true}));
    EXPECT_EQ(layout.rowTotals, (TCubeTotalsDef{true, true}));
    EXPECT_EQ(layout.columnTotals, (TCubeTotalsDef{true, false}));
}

TEST(CubeDefinition, LayoutDefaultsToTheFirstDimensionOnRowsAndEveryMeasure) {
    const TOLAPDefinition definition = ParseCubeDefinition(
        Cube(Dimensions, "{'aggregate': 'count'}, {'field': 'UREN', 'aggregate': 'average'}"));
    EXPECT_EQ(definition.layout.rows, QStringList{"KLAS"});
    EXPECT_TRUE(definition.layout.columns.isEmpty());
    EXPECT_TRUE(definition.layout.filters.empty());
    EXPECT_EQ(definition.layout.measures, (QStringList{"Aantal", "UREN"}));
    EXPECT_EQ(definition.layout.showAs, TShowAs::Value);
    EXPECT_EQ(definition.layout.rowSort, TCubeSortDef{});
    EXPECT_EQ(definition.layout.columnTotals, (TCubeTotalsDef{true, true}));
    // A count of rows needs no field; without caption it is called "Aantal".
    EXPECT_EQ(definition.measures[0], (TCubeMeasureDef{"Aantal", "", "Aantal", "", TCubeAggregate::Count}));
}

TEST(CubeDefinition, LayoutNamesIgnoreLetterCaseAndTakeTheDefinitionsSpelling) {
    const TOLAPDefinition definition = ParseCubeDefinition(
        Cube(Dimensions, Measures, ", 'layout': {'columns': ['klas'], 'measures': ['uren']}"));
    // The first dimension is on the columns, so the rows stay empty.
    EXPECT_TRUE(definition.layout.rows.isEmpty());
    EXPECT_EQ(definition.layout.columns, QStringList{"KLAS"});
    EXPECT_EQ(definition.layout.measures, QStringList{"UREN"});
    EXPECT_EQ(definition.DimensionIndex("graad"), 2);
    EXPECT_EQ(definition.MeasureIndex("Uren"), 0);
    EXPECT_EQ(definition.MeasureIndex("Lessen"), -1);
}

TEST(CubeDefinition, ReadsTheShortFormOfTheDemoDatabases) {
    const TOLAPDefinition definition = ParseCubeDefinition(Json(
        "{'rows':['KLAS'],'columns':['GESLACHT'],'values':[{'field':'AANTAL','aggregate':'sum','caption':"
        "'Aantal leerlingen'}]}"));
    ASSERT_EQ(definition.dimensions.size(), 2u);
    EXPECT_EQ(definition.dimensions[0], (TCubeDimensionDef{"KLAS", "KLAS", "KLAS", TCubeGroup::None, 0}));
    EXPECT_EQ(definition.dimensions[1].field, QStringLiteral("GESLACHT"));
    ASSERT_EQ(definition.measures.size(), 1u);
    EXPECT_EQ(definition.measures[0],
              (TCubeMeasureDef{"AANTAL", "AANTAL", "Aantal leerlingen", "", TCubeAggregate::Sum}));
    EXPECT_EQ(definition.layout.rows, QStringList{"KLAS"});
    EXPECT_EQ(definition.layout.columns, QStringList{"GESLACHT"});
    EXPECT_EQ(definition.layout.measures, QStringList{"AANTAL"});
}

TEST(CubeDefinition, WritesWhatItReadsBack) {
    const TOLAPDefinition definition = ParseCubeDefinition(
        Cube("{'field': 'KLAS'}, {'name': 'Leeftijd', 'field': 'LEEFTIJD', 'group': 'band', 'width': 2.5},"
             "{'name': 'Jaar', 'field': 'BEGIN', 'caption': 'Schooljaar', 'group': 'schoolYear'}",
             "{'aggregate': 'count', 'caption': 'Inschrijvingen'}, {'field': 'UREN', 'aggregate': 'maximum', "
             "'format': '0.##'}",
             ", 'layout': {'rows': ['Jaar', 'KLAS'], 'filters': {'Leeftijd': ['10 tot 12,5'], 'KLAS': []},"
             " 'showAs': 'percentOfTotal', 'sort': {'rows': {'by': 'measure', 'measure': 'UREN'}},"
             " 'totals': {'columns': {'grand': false}}}"));
    const QByteArray written = definition.ToBytes();
    EXPECT_EQ(ParseCubeDefinition(written), definition);
    EXPECT_TRUE(written.contains("\"format\": \"vorn-cube\""));
    const TOLAPDefinition shortForm = ParseCubeDefinition(
        Json("{'rows':['VAK'],'values':[{'field':'UREN','aggregate':'sum','caption':'Uren'}]}"));
    EXPECT_EQ(ParseCubeDefinition(shortForm.ToBytes()), shortForm);
}

TEST(CubeDefinition, LoadsFromTextAndFromABlobField) {
    const QString text =
        QStringLiteral(R"({"rows":["KLAS"],"values":[{"aggregate":"count","caption":"Één"}]})");
    EXPECT_EQ(TOLAPDefinition::LoadFromText(text).measures[0].caption, QStringLiteral("Één"));
    EXPECT_EQ(TOLAPDefinition::LoadFromBytes(text.toUtf8()), TOLAPDefinition::LoadFromText(text));

    TVornClientDataSet olap;
    olap.AddField(FieldDef::blob("L_DEFINITIE"));
    olap.CreateDataSet();
    olap.Append();
    olap.FieldByName("L_DEFINITIE").SetValue(text.toUtf8());
    olap.Post();
    olap.Append();
    olap.Post();
    olap.First();
    EXPECT_EQ(TOLAPDefinition::LoadFromBlobField(olap.FieldByName("L_DEFINITIE")).layout.rows,
              QStringList{"KLAS"});
    olap.Next();
    try {
        TOLAPDefinition::LoadFromBlobField(olap.FieldByName("L_DEFINITIE"));
        FAIL() << "an empty field gave a definition";
    } catch (const ECubeError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("Kubusdefinitie: het veld \"L_DEFINITIE\" is leeg"));
    }
}

TEST(CubeDefinition, BrokenJsonNamesLineAndCharacter) {
    const QString message = MessageOf("{\"format\": \"vorn-cube\",\n \"version\": 1,\n \"dimensions\": [}");
    EXPECT_TRUE(
        message.startsWith(QStringLiteral("Kubusdefinitie: geen geldige JSON op regel 3, teken 17 (")))
        << message.toStdString();
    EXPECT_TRUE(
        MessageOf("").startsWith(QStringLiteral("Kubusdefinitie: geen geldige JSON op regel 1, teken 1")));
}

struct TFault {
    const char* what;
    QByteArray text;
    QString message;
};

class CubeDefinitionFaults : public ::testing::TestWithParam<TFault> {};

TEST_P(CubeDefinitionFaults, AreRefusedWithTheirMessage) {
    EXPECT_EQ(MessageOf(GetParam().text), GetParam().message);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Document, CubeDefinitionFaults, ::testing::Values(
    TFault{"array", "[1, 2]", "Kubusdefinitie: de definitie moet één JSON-object zijn"},
    TFault{"unknown key", Cube(Dimensions, Measures, ", 'colour': 1"),
           "Kubusdefinitie: de definitie: onbekende sleutel \"colour\" (toegelaten: format, version, dimensions, "
           "measures, layout)"},
    TFault{"format", Json("{'format': 'vorn-report', 'version': 1}"), "Kubusdefinitie: \"format\" moet \"vorn-cube\" zijn"},
    TFault{"format type", Json("{'format': 1}"), "Kubusdefinitie: de definitie: \"format\" moet een tekst zijn"},
    TFault{"version", Json("{'format': 'vorn-cube', 'version': 2}"),
           "Kubusdefinitie: versie 2 wordt niet ondersteund (dit programma leest versie 1)"},
    TFault{"no version", Json("{'format': 'vorn-cube'}"), "Kubusdefinitie: de definitie: \"version\" ontbreekt"},
    TFault{"version type", Json("{'format': 'vorn-cube', 'version': '1'}"),
           "Kubusdefinitie: de definitie: \"version\" moet een getal zijn"},
    TFault{"no dimensions", Json("{'format': 'vorn-cube', 'version': 1, 'measures': []}"),
           "Kubusdefinitie: de definitie: \"dimensions\" ontbreekt"},
    TFault{"dimensions type", Json("{'format': 'vorn-cube', 'version': 1, 'dimensions': {}}"),
           "Kubusdefinitie: de definitie: \"dimensions\" moet een lijst zijn"},
    TFault{"empty dimensions", Cube("", Measures), "Kubusdefinitie: er zijn geen dimensies"},
    TFault{"empty measures", Cube(Dimensions, ""), "Kubusdefinitie: er zijn geen maten"},
    TFault{"layout type", Cube(Dimensions, Measures, ", 'layout': []"),
           "Kubusdefinitie: de definitie: \"layout\" moet een object zijn"}));

INSTANTIATE_TEST_SUITE_P(Dimensions, CubeDefinitionFaults, ::testing::Values(
    TFault{"not an object", Cube("'KLAS'", Measures), "Kubusdefinitie: dimensie 1 moet een object zijn"},
    TFault{"no field", Cube("{'field': 'KLAS'}, {'caption': 'Graad'}", Measures),
           "Kubusdefinitie: dimensie 2: \"field\" ontbreekt"},
    TFault{"field type", Cube("{'field': 3}", Measures), "Kubusdefinitie: dimensie 1: \"field\" moet een tekst zijn"},
    TFault{"empty field", Cube("{'field': ' '}", Measures), "Kubusdefinitie: dimensie 1: \"field\" mag niet leeg zijn"},
    TFault{"empty name", Cube("{'field': 'KLAS', 'name': ''}", Measures),
           "Kubusdefinitie: dimensie 1: \"name\" mag niet leeg zijn"},
    TFault{"unknown key", Cube("{'field': 'KLAS', 'colour': 'red'}", Measures),
           "Kubusdefinitie: dimensie 1: onbekende sleutel \"colour\" (toegelaten: name, field, caption, group, width)"},
    TFault{"unknown group", Cube("{'name': 'Maand', 'field': 'BEGIN', 'group': 'week'}", Measures),
           "Kubusdefinitie: onbekende groepering \"week\" bij dimensie \"Maand\""},
    TFault{"zero width", Cube("{'field': 'LEEFTIJD', 'caption': 'Leeftijd', 'group': 'band', 'width': 0}", Measures),
           "Kubusdefinitie: dimensie \"Leeftijd\": \"width\" moet groter dan 0 zijn"},
    TFault{"negative width", Cube("{'field': 'LEEFTIJD', 'group': 'band', 'width': -5}", Measures),
           "Kubusdefinitie: dimensie \"LEEFTIJD\": \"width\" moet groter dan 0 zijn"},
    TFault{"width type", Cube("{'field': 'LEEFTIJD', 'group': 'band', 'width': '5'}", Measures),
           "Kubusdefinitie: dimensie \"LEEFTIJD\": \"width\" moet een getal zijn"},
    TFault{"band without width", Cube("{'field': 'LEEFTIJD', 'group': 'band'}", Measures),
           "Kubusdefinitie: dimensie \"LEEFTIJD\": groepering \"band\" vraagt een breedte (\"width\")"},
    TFault{"width without band", Cube("{'field': 'KLAS', 'caption': 'Klas', 'width': 5}", Measures),
           "Kubusdefinitie: dimensie \"Klas\": \"width\" hoort alleen bij groepering \"band\""},
    TFault{"duplicate", Cube("{'field': 'KLAS'}, {'field': 'klas'}", Measures),
           "Kubusdefinitie: dimensie \"klas\" komt meer dan eens voor"}));

INSTANTIATE_TEST_SUITE_P(Measures, CubeDefinitionFaults, ::testing::Values(
    TFault{"unknown aggregate", Cube(Dimensions, "{'field': 'UREN', 'aggregate': 'median', 'caption': 'Uren'}"),
           "Kubusdefinitie: onbekende samenvatting \"median\" bij maat \"Uren\""},
    TFault{"no aggregate", Cube(Dimensions, "{'field': 'UREN'}"), "Kubusdefinitie: maat 1: \"aggregate\" ontbreekt"},
    TFault{"aggregate type", Cube(Dimensions, "{'field': 'UREN', 'aggregate': ['sum']}"),
           "Kubusdefinitie: maat 1: \"aggregate\" moet een tekst zijn"},
    TFault{"sum without field", Cube(Dimensions, "{'aggregate': 'sum', 'caption': 'Uren'}"),
           "Kubusdefinitie: maat \"Uren\": samenvatting \"sum\" vraagt een veld (\"field\")"},
    TFault{"count distinct without field", Cube(Dimensions, "{'name': 'N', 'aggregate': 'countDistinct'}"),
           "Kubusdefinitie: maat \"N\": samenvatting \"countDistinct\" vraagt een veld (\"field\")"},
    TFault{"unknown key", Cube(Dimensions, "{'field': 'UREN', 'aggregate': 'sum', 'digits': 2}"),
           "Kubusdefinitie: maat 1: onbekende sleutel \"digits\" (toegelaten: name, field, aggregate, caption, format)"},
    TFault{"duplicate", Cube(Dimensions, "{'field': 'UREN', 'aggregate': 'sum'}, {'field': 'uren', 'aggregate': 'average'}"),
           "Kubusdefinitie: maat \"uren\" komt meer dan eens voor"},
    TFault{"format", Cube(Dimensions, "{'field': 'UREN', 'aggregate': 'sum', 'caption': 'Uren', 'format': '0,0'}"),
           "Kubusdefinitie: maat \"Uren\": getalnotatie \"0,0\" wordt niet ondersteund (0, #,##0, 0.0, #,##0.00, "
           "0.##, 0%, 0.0%, ...)"}));

INSTANTIATE_TEST_SUITE_P(Layout, CubeDefinitionFaults, ::testing::Values(
    TFault{"unknown key", Cube(Dimensions, Measures, ", 'layout': {'pages': []}"),
           "Kubusdefinitie: de indeling: onbekende sleutel \"pages\" (toegelaten: rows, columns, filters, measures, "
           "showAs, showAsField, sort, totals)"},
    TFault{"unknown dimension", Cube(Dimensions, Measures, ", 'layout': {'rows': ['VAK']}"),
           "Kubusdefinitie: de indeling noemt een onbekende dimensie \"VAK\""},
    TFault{"rows type", Cube(Dimensions, Measures, ", 'layout': {'rows': 'KLAS'}"),
           "Kubusdefinitie: de indeling: \"rows\" moet een lijst zijn"},
    TFault{"on both axes", Cube(Dimensions, Measures, ", 'layout': {'rows': ['KLAS'], 'columns': ['Klas']}"),
           "Kubusdefinitie: de indeling noemt dimensie \"KLAS\" meer dan eens"},
    TFault{"unknown measure", Cube(Dimensions, Measures, ", 'layout': {'measures': ['Lessen']}"),
           "Kubusdefinitie: de indeling noemt een onbekende maat \"Lessen\""},
    TFault{"no measures", Cube(Dimensions, Measures, ", 'layout': {'measures': []}"),
           "Kubusdefinitie: de indeling toont geen enkele maat"},
    TFault{"filter on unknown dimension", Cube(Dimensions, Measures, ", 'layout': {'filters': {'VAK': ['WIS']}}"),
           "Kubusdefinitie: de indeling noemt een onbekende dimensie \"VAK\""},
    TFault{"filter of numbers", Cube(Dimensions, Measures, ", 'layout': {'filters': {'GRAAD': [1, 2]}}"),
           "Kubusdefinitie: de filters van de indeling: \"GRAAD\" mag alleen teksten bevatten"},
    TFault{"filter twice", Cube(Dimensions, Measures, ", 'layout': {'filters': {'GRAAD': [], 'graad': []}}"),
           "Kubusdefinitie: de filters van de indeling noemen dimensie \"GRAAD\" meer dan eens"},
    TFault{"show as", Cube(Dimensions, Measures, ", 'layout': {'showAs': 'percent'}"),
           "Kubusdefinitie: onbekende weergave \"percent\" (value, percentOfRow, percentOfColumn, percentOfTotal, "
           "differenceFromPrevious, percentDifferenceFromPrevious, runningTotal of rank)"},
    TFault{"sort by", Cube(Dimensions, Measures, ", 'layout': {'sort': {'rows': {'by': 'value'}}}"),
           "Kubusdefinitie: de sortering van de rijen: \"by\" is \"label\" of \"measure\""},
    TFault{"sort without measure", Cube(Dimensions, Measures, ", 'layout': {'sort': {'columns': {'by': 'measure'}}}"),
           "Kubusdefinitie: de sortering van de kolommen: \"measure\" ontbreekt"},
    TFault{"sort by unknown measure",
           Cube(Dimensions, Measures, ", 'layout': {'sort': {'rows': {'by': 'measure', 'measure': 'X'}}}"),
           "Kubusdefinitie: de indeling noemt een onbekende maat \"X\""},
    TFault{"sort measure by label", Cube(Dimensions, Measures, ", 'layout': {'sort': {'rows': {'measure': 'UREN'}}}"),
           "Kubusdefinitie: de sortering van de rijen: \"measure\" hoort alleen bij \"by\": \"measure\""},
    TFault{"sort line by label", Cube(Dimensions, Measures, ", 'layout': {'sort': {'rows': {'line': ['M']}}}"),
           "Kubusdefinitie: de sortering van de rijen: \"line\" hoort alleen bij \"by\": \"measure\""},
    TFault{"sort order", Cube(Dimensions, Measures, ", 'layout': {'sort': {'rows': {'order': 'up'}}}"),
           "Kubusdefinitie: de sortering van de rijen: \"order\" is \"ascending\" of \"descending\""},
    TFault{"sort axis", Cube(Dimensions, Measures, ", 'layout': {'sort': {'pages': {}}}"),
           "Kubusdefinitie: de sortering van de indeling: onbekende sleutel \"pages\" (toegelaten: rows, columns)"},
    TFault{"totals type", Cube(Dimensions, Measures, ", 'layout': {'totals': {'rows': {'grand': 'yes'}}}"),
           "Kubusdefinitie: de totalen van de rijen: \"grand\" moet true of false zijn"},
    TFault{"totals object", Cube(Dimensions, Measures, ", 'layout': {'totals': {'columns': true}}"),
           "Kubusdefinitie: de totalen van de indeling: \"columns\" moet een object zijn"}));

INSTANTIATE_TEST_SUITE_P(ShortForm, CubeDefinitionFaults, ::testing::Values(
    TFault{"no values", Json("{'rows': ['KLAS']}"), "Kubusdefinitie: de definitie: \"values\" ontbreekt"},
    TFault{"unknown key", Json("{'rows': ['KLAS'], 'values': [], 'filters': {}}"),
           "Kubusdefinitie: de definitie: onbekende sleutel \"filters\" (toegelaten: rows, columns, values)"},
    TFault{"rows of numbers", Json("{'rows': [1], 'values': []}"),
           "Kubusdefinitie: de definitie: \"rows\" mag alleen teksten bevatten"},
    TFault{"no dimensions", Json("{'values': [{'field': 'AANTAL', 'aggregate': 'sum'}]}"),
           "Kubusdefinitie: er zijn geen dimensies"},
    TFault{"field on both axes", Json("{'rows': ['KLAS'], 'columns': ['KLAS'], 'values': [{'aggregate': 'count'}]}"),
           "Kubusdefinitie: dimensie \"KLAS\" komt meer dan eens voor"},
    TFault{"empty field", Json("{'rows': [''], 'values': []}"),
           "Kubusdefinitie: de definitie: een veld van \"rows\" of \"columns\" is leeg"},
    TFault{"unknown aggregate", Json("{'rows': ['KLAS'], 'values': [{'field': 'AANTAL', 'aggregate': 'avg'}]}"),
           "Kubusdefinitie: onbekende samenvatting \"avg\" bij maat \"AANTAL\""}));
// clang-format on
