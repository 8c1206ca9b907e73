// Client speed: a bar chart of 10,000 bars repainting a scrolled view, and the client's start-up.
//   build/bin/bench_client                 (start-up is measured on the demo database)
#include "host/controls/barchart.h"

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
