#include "fixtures.h"

#include "host/data/clientdataset.h"
#include "host/data/datasource.h"
#include "host/data/errors.h"

#include <gtest/gtest.h>

using namespace vorn;
using vorn::testing::PupilBroker;

namespace {

void DefineCategoryTable(TVornClientDataSet& table) {
    table.AddField(FieldDef::integer("ID").req());
    table.AddField(FieldDef::string("Code", 25).req());
    table.AddField(FieldDef::integer("Count").req());
    table.AddField(FieldDef::decimal("Uren", 18, 2));
    for (const char* field : {"Count", "Uren"}) {
        TAggregate& sum = table.Aggregates().Add();
        sum.Expression = QString("SUM(%1)").arg(field);
        sum.AggregateName = QString("Total%1").arg(field);
    }
}

void AddRow(TVornClientDataSet& table, int id, const QString& code, int count, double hours) {
    table.Append();
    table.FieldByName("ID").SetAsInteger(id);
    table.FieldByName("Code").SetAsString(code);
    table.FieldByName("Count").SetAsInteger(count);
    table.FieldByName("Uren").SetAsFloat(hours);
    table.Post();
}

void ActivateAggregates(TVornClientDataSet& table) {
    for (int i = 0; i < table.Aggregates().Count(); ++i)
        table.Aggregates().Items(i).Active = true;
    table.AggregatesActive = true;
}

struct EventCounts {
    int active = 0;
    int changed = 0;
    int scrolled = 0;
};

void Count(TVornDatasource& source, EventCounts& counts) {
    QObject::connect(&source, &TVornDatasource::activeChanged, [&counts] { ++counts.active; });
    QObject::connect(&source, &TVornDatasource::dataChanged, [&counts] { ++counts.changed; });
    QObject::connect(&source, &TVornDatasource::scrolled, [&counts] { ++counts.scrolled; });
}

} // namespace

TEST(LocalTable, IsCreatedFromItsFieldsFilledAndRecreatedWithTheSameStructure) {
    TVornClientDataSet table("CDSStatKlas");
    EXPECT_THROW(table.CreateDataSet(), EDatabaseError) << "no field definitions yet";
    DefineCategoryTable(table);
    table.CreateDataSet();
    EXPECT_EQ(table.RecordCount(), 0);
    AddRow(table, 2, "B", 3, 1.5);
    AddRow(table, 1, "A", 4, 2.25);
    table.Close();
    table.CreateDataSet();
    EXPECT_EQ(table.RecordCount(), 0) << "rows are rebuilt at every fill";
    EXPECT_EQ(table.FieldCount(), 4);
    EXPECT_EQ(table.Aggregates().Count(), 2);
    EXPECT_THROW(table.AddField(FieldDef::integer("Extra")), EDatabaseError) << "not while open";
}

TEST(LocalTable, AggregatesSumTheRowsOnlyWhenSwitchedOnAndAreNullWhenEmpty) {
    TVornClientDataSet table("CDSStatKlas");
    DefineCategoryTable(table);
    table.CreateDataSet();
    TAggregate& count = *table.Aggregates().Find("TotalCount");
    ActivateAggregates(table);
    EXPECT_TRUE(count.Value().isNull()) << "an empty table has no sum";
    AddRow(table, 1, "A", 4, 2.25);
    AddRow(table, 2, "B", 3, 1.5);
    EXPECT_EQ(count.Value().toLongLong(), 7);
    EXPECT_DOUBLE_EQ(table.Aggregates().Find("totaluren")->Value().toDouble(), 3.75);
    table.AggregatesActive = false;
    EXPECT_TRUE(count.Value().isNull());
    table.AggregatesActive = true;
    count.Active = false;
    EXPECT_TRUE(count.Value().isNull());
    TAggregate& bad = table.Aggregates().Add();
    bad.Expression = "SUM(Onbekend)";
    bad.Active = true;
    EXPECT_THROW(bad.Value(), EDatabaseError);
}

TEST(Observers, HearOfOpeningScrollingAndChangesButNothingWhileControlsAreDisabled) {
    PupilBroker broker;
    TVornClientDataSet pupils("CDSPupils", &broker);
    pupils.SetProviderName("DSPPupils");
    TVornDatasource source;
    source.SetDataSet(&pupils);
    EventCounts counts;
    Count(source, counts);
    pupils.Open();
    EXPECT_EQ(counts.active, 1);
    pupils.Next();
    EXPECT_EQ(counts.scrolled, 1);

    pupils.DisableControls();
    pupils.DisableControls();
    pupils.First();
    pupils.Sort("LL_ID");
    for (; !pupils.Eof(); pupils.Next()) {
    }
    pupils.EnableControls();
    EXPECT_EQ(counts.changed, 0) << "still disabled once";
    pupils.EnableControls();
    EXPECT_EQ(counts.changed, 1) << "one change when the controls come back";
    EXPECT_EQ(counts.scrolled, 1);
    pupils.EnableControls(); // unbalanced: ignored
    EXPECT_EQ(counts.changed, 1);
    pupils.Close();
    EXPECT_EQ(counts.active, 2);
}

TEST(Observers, ADatasourceOutlivingItsDatasetIsLeftWithout) {
    TVornDatasource source;
    {
        TVornClientDataSet table("CDSShort");
        source.SetDataSet(&table);
        EXPECT_EQ(source.DataSet(), &table);
    }
    EXPECT_EQ(source.DataSet(), nullptr);
}

TEST(MasterDetail, DetailParametersFollowTheMasterRowUntilTheLinkIsCut) {
    PupilBroker broker;
    std::vector<qint64> asked;
    broker.addHandler("DSPDetail", [&asked](const TParams& params) {
        asked.push_back(params.ParamByName("LL_ID").AsInteger());
        return vorn::testing::MakeTable({FieldDef::integer("X")}, {});
    });
    TVornClientDataSet master("CDSMaster", &broker);
    master.SetProviderName("DSPPupils");
    master.Open();
    TVornDatasource masterSource;
    masterSource.SetDataSet(&master);
    TVornClientDataSet detail("CDSDetail", &broker);
    detail.SetProviderName("DSPDetail");
    detail.Params().CreateParam(TFieldType::Integer, "LL_ID");
    detail.SetMasterdataSource(&masterSource);
    detail.Open();
    master.Next();
    EXPECT_EQ(asked, (std::vector<qint64>{0, 10}));
    detail.SetMasterdataSource(nullptr);
    master.Next();
    EXPECT_EQ(asked.size(), 2U);
}

TEST(WholeColumns, FollowTheCurrentOrderAndReadNullsAsZeroOrEmpty) {
    TVornClientDataSet table("T");
    table.AddField(FieldDef::integer("ID"));
    table.AddField(FieldDef::string("Code", 5));
    table.AddField(FieldDef::decimal("Uren", 18, 2));
    table.CreateDataSet();
    for (const auto& [id, code] : std::vector<std::pair<int, QString>>{{3, "c"}, {1, "a"}, {2, QString()}}) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(id);
        if (!code.isNull())
            table.FieldByName("Code").SetAsString(code);
        table.Post();
    }
    table.Append();
    table.Post(); // a row of nulls
    table.Sort("ID");
    EXPECT_EQ(table.IntegerColumn(table.FieldByName("ID")), (std::vector<std::int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(table.TextColumn(table.FieldByName("Code")), (std::vector<std::string_view>{"", "a", "", "c"}));
    EXPECT_EQ(table.TextEquals(table.FieldByName("Code"), "a"), (std::vector<std::uint8_t>{0, 1, 0, 0}));
    EXPECT_EQ(table.TextEquals(table.FieldByName("Code"), ""), (std::vector<std::uint8_t>{0, 0, 0, 0}))
        << "a null is no empty text";
    table.Last();
    EXPECT_EQ(table.RecNo(), 4) << "the cursor does not move";
    EXPECT_THROW(table.IntegerColumn(table.FieldByName("Uren")), EDatabaseError);
    EXPECT_THROW(table.TextColumn(table.FieldByName("ID")), EDatabaseError);
    EXPECT_THROW(table.TextEquals(table.FieldByName("ID"), "1"), EDatabaseError);
}

TEST(IntegerSort, OrdersNegativeAndLargeKeysStablyBothWays) {
    TVornClientDataSet table("T");
    table.AddField(FieldDef::integer("K"));
    table.AddField(FieldDef::integer("Seq"));
    table.CreateDataSet();
    const std::vector<std::int32_t> keys{5,  -3,    70000, -70000, 5, 0, 2147483647, -2147483647 - 1,
                                         -3, 65536, 5};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        table.Append();
        table.FieldByName("K").SetAsInteger(keys[i]);
        table.FieldByName("Seq").SetAsInteger(static_cast<qint64>(i));
        table.Post();
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> expected;
    for (std::size_t i = 0; i < keys.size(); ++i)
        expected.emplace_back(keys[i], static_cast<std::int32_t>(i));
    const auto rows = [&table] {
        std::vector<std::pair<std::int32_t, std::int32_t>> result;
        const auto k = table.IntegerColumn(table.FieldByName("K"));
        const auto seq = table.IntegerColumn(table.FieldByName("Seq"));
        for (std::size_t i = 0; i < k.size(); ++i)
            result.emplace_back(k[i], seq[i]);
        return result;
    };
    table.Sort("K");
    std::stable_sort(expected.begin(), expected.end(), [](auto a, auto b) { return a.first < b.first; });
    EXPECT_EQ(rows(), expected) << "ascending, equal keys in their earlier order";
    table.Sort("Seq");
    table.Sort("K", "K");
    std::sort(expected.begin(), expected.end(), [](auto a, auto b) { return a.second < b.second; });
    std::stable_sort(expected.begin(), expected.end(), [](auto a, auto b) { return a.first > b.first; });
    EXPECT_EQ(rows(), expected) << "descending, equal keys in their earlier order";
    table.Sort("K;Seq", "Seq");
    std::sort(expected.begin(), expected.end(),
              [](auto a, auto b) { return a.first != b.first ? a.first < b.first : a.second > b.second; });
    EXPECT_EQ(rows(), expected) << "two keys, the second descending";
}

TEST(LocalDataset, RowsHandedOverAtOnceAreItsDataAndRowsOfAnotherShapeAreRefused) {
    TVornClientDataSet table("T");
    table.AddField(FieldDef::integer("ID").req());
    table.AddField(FieldDef::string("Code", 4).req());
    Table rows(table.FieldDefs());
    for (int id : {3, 1, 2}) {
        rows.columns[0].appendInt(id);
        AppendText(rows.columns[1], rows.fields[1], QStringLiteral("code%1").arg(id));
    }
    table.CreateDataSet(std::move(rows));
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.ChangeCount(), 0) << "not pending inserts";
    table.Sort("ID");
    table.First();
    EXPECT_EQ(table.FieldByName("Code").AsString(), "code") << "cut to the field's width as a cell is";
    const TIntegerColumnView ids = table.IntegerView(table.FieldByName("ID"));
    EXPECT_EQ(std::vector<int>({ids[0], ids[1], ids[2]}), std::vector<int>({1, 2, 3}))
        << "in the dataset's order";

    Table wrongKind(table.FieldDefs());
    wrongKind.columns[0] = Column(StorageKind::Bytes);
    EXPECT_THROW(table.CreateDataSet(std::move(wrongKind)), EDatabaseError);
    Table missingRequired(table.FieldDefs());
    missingRequired.columns[0].appendNull();
    missingRequired.columns[1].appendBytes("x");
    EXPECT_THROW(table.CreateDataSet(std::move(missingRequired)), EDatabaseError);
    Table ragged(table.FieldDefs());
    ragged.columns[0].appendInt(1);
    EXPECT_THROW(table.CreateDataSet(std::move(ragged)), EDatabaseError);
    EXPECT_EQ(table.RecordCount(), 3) << "a refused hand-over leaves the rows as they were";
}

TEST(LocalDataset, AnIntegerViewReadsNullsAsZeroAndRefusesWhatDoesNotFitIn32Bits) {
    TVornClientDataSet table("T");
    table.AddField(FieldDef::largeint("N"));
    table.CreateDataSet();
    for (const QVariant& value : {QVariant(7), QVariant(), QVariant(-2)}) {
        table.Append();
        table.FieldByName("N").SetValue(value);
        table.Post();
    }
    const TIntegerColumnView view = table.IntegerView(table.FieldByName("N"));
    EXPECT_EQ(std::vector<int>({view[0], view[1], view[2]}), std::vector<int>({7, 0, -2}));
    table.Append();
    table.FieldByName("N").SetAsInteger(qint64{1} << 40);
    table.Post();
    EXPECT_THROW(table.IntegerView(table.FieldByName("N")), EDatabaseError);
}
