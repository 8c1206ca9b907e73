// Client dataset speed on a million rows of twenty columns:
//   build/bin/bench_dataset
// Opening is measured from the in-memory provider (a copy of its table, as a provider hands out
// rows it already has) and from a provider that builds its rows on every call (as an SQL provider
// does while stepping through a result). Resident memory is read after opening.
#include "host/data/clientdataset.h"

#include <benchmark/benchmark.h>

#include <QString>
#include <fstream>
#include <random>
#include <string>

using namespace vorn;

namespace {

constexpr std::size_t Rows = 1'000'000;

std::vector<FieldDef> TwentyFields() {
    std::vector<FieldDef> fields;
    for (int i = 0; i < 8; ++i)
        fields.push_back(FieldDef::integer(QString("INT%1").arg(i)));
    for (int i = 0; i < 6; ++i)
        fields.push_back(FieldDef::wideString(QString("TEXT%1").arg(i), 20));
    for (int i = 0; i < 6; ++i)
        fields.push_back(FieldDef::date(QString("DATE%1").arg(i)));
    return fields;
}

Table MillionRows() {
    Table table(TwentyFields());
    for (Column& column : table.columns)
        column.reserve(Rows);
    std::mt19937 random(42);
    std::uniform_int_distribution<int> ids(0, 5'000'000);
    static const char* const words[] = {"Gent",    "Brugge",   "Antwerpen", "Leuven",
                                        "Hasselt", "Kortrijk", "Aalst"};
    char text[32];
    for (std::size_t r = 0; r < Rows; ++r) {
        for (int c = 0; c < 8; ++c)
            table.columns[static_cast<std::size_t>(c)].appendInt(ids(random));
        for (int c = 8; c < 14; ++c) {
            const int n = std::snprintf(text, sizeof text, "%s %zu",
                                        words[(r + static_cast<std::size_t>(c)) % 7], r % 1000);
            table.columns[static_cast<std::size_t>(c)].appendBytes(
                std::string_view(text, static_cast<std::size_t>(n)));
        }
        for (int c = 14; c < 20; ++c)
            table.columns[static_cast<std::size_t>(c)].appendDouble(
                45000.0 + static_cast<double>((r * 7 + static_cast<std::size_t>(c)) % 3000));
    }
    return table;
}

double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

InMemoryBroker& StoredBroker() {
    static InMemoryBroker broker = [] {
        InMemoryBroker b;
        b.addTable("DSPMillion", MillionRows());
        return b;
    }();
    return broker;
}

/// Builds its rows at every call and keeps none, so the process holds only the dataset's copy.
InMemoryBroker& BuildingBroker() {
    static InMemoryBroker broker = [] {
        InMemoryBroker b;
        b.addHandler("DSPMillionBuilt", [](const TParams&) { return MillionRows(); });
        return b;
    }();
    return broker;
}

void BM_OpenFromBuildingProvider(benchmark::State& state) {
    InMemoryBroker& broker = BuildingBroker();
    const double before = ResidentMegabytes();
    TVornClientDataSet dataSet("CDSMillion", &broker);
    dataSet.SetProviderName("DSPMillionBuilt");
    for (const FieldDef& def : TwentyFields())
        dataSet.AddField(def);
    for (auto _ : state) {
        dataSet.Close();
        dataSet.Open();
        benchmark::DoNotOptimize(dataSet.RecordCount());
    }
    state.counters["resident_MB"] = ResidentMegabytes();
    state.counters["dataset_MB"] = ResidentMegabytes() - before;
}
BENCHMARK(BM_OpenFromBuildingProvider)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenFromStoredTable(benchmark::State& state) {
    InMemoryBroker& broker = StoredBroker();
    TVornClientDataSet dataSet("CDSMillion", &broker);
    dataSet.SetProviderName("DSPMillion");
    for (auto _ : state) {
        dataSet.Close();
        dataSet.Open();
        benchmark::DoNotOptimize(dataSet.RecordCount());
    }
    state.counters["rows"] = dataSet.RecordCount();
    state.counters["resident_MB"] = ResidentMegabytes(); // the provider's table and the dataset's copy
}
BENCHMARK(BM_OpenFromStoredTable)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SortByIntegerField(benchmark::State& state) {
    InMemoryBroker& broker = StoredBroker();
    TVornClientDataSet dataSet("CDSMillion", &broker);
    dataSet.SetProviderName("DSPMillion");
    dataSet.Open();
    for (auto _ : state) {
        state.PauseTiming();
        dataSet.Close();
        dataSet.Open();
        state.ResumeTiming();
        dataSet.Sort("INT3");
    }
}
BENCHMARK(BM_SortByIntegerField)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LocateID(benchmark::State& state) {
    InMemoryBroker& broker = StoredBroker();
    TVornClientDataSet dataSet("CDSMillion", &broker);
    dataSet.SetProviderName("DSPMillion");
    dataSet.Open();
    dataSet.LocateID(1, "INT0"); // builds the index once
    std::mt19937 random(7);
    std::uniform_int_distribution<int> ids(0, 5'000'000);
    for (auto _ : state)
        benchmark::DoNotOptimize(dataSet.LocateID(ids(random), "INT0"));
}
BENCHMARK(BM_LocateID);

void BM_ScanReadingThreeFields(benchmark::State& state) {
    InMemoryBroker& broker = StoredBroker();
    TVornClientDataSet dataSet("CDSMillion", &broker);
    dataSet.SetProviderName("DSPMillion");
    dataSet.Open();
    TField& id = dataSet.FieldByName("INT0");
    TField& text = dataSet.FieldByName("TEXT0");
    TField& date = dataSet.FieldByName("DATE0");
    for (auto _ : state) {
        std::int64_t sum = 0;
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
            sum += id.AsInteger() + static_cast<std::int64_t>(text.AsUtf8().size()) +
                   static_cast<std::int64_t>(date.AsDateTime());
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ScanReadingThreeFields)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
