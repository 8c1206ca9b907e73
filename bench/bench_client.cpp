// Client speed: a bar chart of 10,000 bars repainting a scrolled view, and the client's start-up.
//   build/bin/bench_client                 (start-up is measured on the demo database)
#include "telmod/staff/frmStatsPSPop.h"

#include "host/controls/barchart.h"
#include "host/data/provider.h"
#include "host/forms/hostservices.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>

using namespace vorn;

namespace {

void BM_BarChartRepaintScrolledView(benchmark::State& state) {
    QScrollArea box;
    box.resize(700, 420);
    auto* chart = new TBarChart;
    chart->BeginUpdate();
    for (int i = 0; i < 10000; ++i)
        chart->AddBar(QStringLiteral("Klas %1").arg(i), (i * 37) % 500 - 100, clYellow);
    chart->EndUpdate();
    chart->SetHeight(26 * 10000);
    box.setWidget(chart);
    box.setWidgetResizable(true);
    box.show();
    box.verticalScrollBar()->setValue(26 * 5000);
    QApplication::processEvents();
    const QRect visible(0, box.verticalScrollBar()->value(), box.viewport()->width(),
                        box.viewport()->height());
    for (auto _ : state)
        benchmark::DoNotOptimize(chart->grab(visible)); // the chart's paint event for the visible part
    state.counters["bars_painted"] = chart->LastPaintedBars();
}
BENCHMARK(BM_BarChartRepaintScrolledView)->Unit(benchmark::kMillisecond);

class BenchHost : public IHostServices {
public:
    TDateTime WerkDatum() const override { return EncodeDate(2025, 12, 1); }
    void PushStatus(const QString&) override {}
    void PopStatus() override {}
    void PushCursor(Qt::CursorShape) override {}
    void PopCursor() override {}
    int GetJobID() override { return 0; }
    QString CleanJob(int, int, const QVariant&) override { return {}; }
};

/// The population screen counting 100,000 fetched staff rows again for a new granularity.
void BM_PopulationRecount(benchmark::State& state) {
    InMemoryBroker broker;
    Table staff({FieldDef::date("PS_GEBOORTEDATUM"), FieldDef::wideString("PS_GESLACHT", 1),
                 FieldDef::integer("PS_ID")});
    for (int i = 0; i < 100000; ++i) {
        staff.columns[0].appendDouble(EncodeDate(1955 + i % 47, 1 + i % 12, 1 + i % 28));
        staff.columns[1].appendBytes(i % 3 == 0 ? "M" : "V");
        staff.columns[2].appendInt(i + 1);
    }
    broker.addTable("DSPStatPSPopulatie", std::move(staff));
    BenchHost host;
    SetHost(&host);
    SetDefaultProviderBroker(&broker);
    {
        telmod::TStatsPSPopulatieForm form;
        form.RaiseCreate();
        form.FISID = 1;
        form.AFetchExecute(&form);
        int scale = 1;
        for (auto _ : state) {
            form.SEScale->setValue(scale); // each change counts the rows again
            scale = scale % 10 + 1;
        }
        state.counters["bands"] = form.BCPerLeeftijd->BarCount();
    }
    SetDefaultProviderBroker(nullptr);
    SetHost(nullptr);
}
BENCHMARK(BM_PopulationRecount)->Unit(benchmark::kMillisecond);

/// From starting the program to a drawn main window with the module loaded and the institution
/// overview open, on the demo database (as --screenshot does it).
void BM_ClientStartUp(benchmark::State& state) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/vorn");
    for (auto _ : state) {
        QProcess client;
        client.start(program, {"--screenshot", "/tmp/vorn-bench-startup.png", "--open",
                               "TStatBrowseInstellingenForm"});
        if (!client.waitForFinished(30000) || client.exitCode() != 0)
            state.SkipWithError("de client startte niet (is de demodatabank er? ./run.sh maakt ze aan)");
    }
}
BENCHMARK(BM_ClientStartUp)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
