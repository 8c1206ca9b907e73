// The cube viewer's slice grid on a pivot of 100,000 row lines by 50 column lines (300,000 rows;
// rows: 100 groups of 1,000 numbers, so every group heading is merged over 1,000 lines; columns:
// 49 members and the grand total):
//  - showing the cube (build, pivot, table model, column widths);
//  - repainting the viewport scrolled to 25 places down and across (what a scroll step costs),
//    mean and worst, for the grid and for a QTableView with the model's merged cells as spans;
//  - setting those spans on the QTableView; the heat map switched on, and its repaint; the
//    details (drill-through) of the grand total, every source row;
//  - the same after a re-pivot to 10,000 groups of ten lines (20,000 merged headings).
//   QT_QPA_PLATFORM=offscreen build/bin/bench_cubeviewer
#include "benchtime.h"

#include "host/cubeviewer/drillthrough.h"
#include "host/cubeviewer/olapframe.h"
#include "host/cubeviewer/pivotgrid.h"
#include "host/data/clientdataset.h"
#include "host/data/provider.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <cstdio>
#include <random>

using namespace vorn;

namespace {

constexpr int RowLines = 100'000;
constexpr int Groups = 100;
constexpr int ColumnMembers = 49;
constexpr int RowsPerLine = 3;
constexpr int Places = 25;

std::unique_ptr<TVornClientDataSet> Rows() {
    std::vector<FieldDef> fields{FieldDef::integer("GROEP"), FieldDef::integer("NR"),
                                 FieldDef::wideString("KOL", 10), FieldDef::floating("UREN"),
                                 FieldDef::integer("TIENTAL")};
    Table table(fields);
    std::mt19937 random(7);
    for (Column& column : table.columns)
        column.reserve(static_cast<std::size_t>(RowLines) * RowsPerLine);
    std::vector<std::string> members;
    for (int member = 1; member <= ColumnMembers; ++member)
        members.push_back(QStringLiteral("K%1").arg(member, 2, 10, QChar(u'0')).toStdString());
    for (int line = 0; line < RowLines; ++line)
        for (int copy = 0; copy < RowsPerLine; ++copy) {
            table.columns[0].appendInt(line / (RowLines / Groups) + 1);
            table.columns[1].appendInt(line + 1);
            table.columns[2].appendBytes(members[random() % ColumnMembers]);
            table.columns[3].appendDouble(0.5 * static_cast<double>(random() % 40));
            table.columns[4].appendInt(line / 10);
        }
    auto dataSet = std::make_unique<TVornClientDataSet>(QStringLiteral("Bank"));
    for (const FieldDef& field : fields)
        dataSet->AddField(field);
    dataSet->CreateDataSet(std::move(table));
    return dataSet;
}

std::unique_ptr<TVornClientDataSet> DefinitionBlob() {
    const QByteArray text = R"({"format": "vorn-cube", "version": 1,
        "dimensions": [{"field": "GROEP", "caption": "Groep"}, {"field": "NR", "caption": "Nummer"},
                       {"field": "KOL", "caption": "Kolom"}, {"field": "TIENTAL", "caption": "Tiental"}],
        "measures": [{"name": "Uren", "field": "UREN", "aggregate": "sum", "format": "#,##0.0"}],
        "layout": {"rows": ["GROEP", "NR"], "columns": ["KOL"]}})";
    std::vector<FieldDef> fields{FieldDef::blob("L_DEFINITIE")};
    Table table(fields);
    AppendValue(table, 0, text);
    auto blob = std::make_unique<TVornClientDataSet>(QStringLiteral("OLAP"));
    blob->AddField(fields.front());
    blob->CreateDataSet(std::move(table));
    blob->First();
    return blob;
}

struct TPaintTimes {
    double mean = 0;
    double worst = 0;
};

/// Repaints a scroll area's viewport at places spread down and across.
TPaintTimes ScrolledRepaints(QAbstractScrollArea& area) {
    TPaintTimes times;
    for (int place = 0; place < Places; ++place) {
        area.verticalScrollBar()->setValue(area.verticalScrollBar()->maximum() / Places * place + 17 * place);
        area.horizontalScrollBar()->setValue(area.horizontalScrollBar()->maximum() * (place % 5) / 4);
        const double seconds = bestOf(3, [&] { (void)area.viewport()->grab(); });
        times.mean += seconds / Places;
        times.worst = std::max(times.worst, seconds);
    }
    return times;
}

/// The same pivot in a QTableView with the model's merged cells as spans.
void CompareWithTableView(const TOLAPFrame& frame, const char* what) {
    QTableView table;
    table.resize(frame.Grid()->size());
    table.setModel(frame.Model());
    table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.show();
    QElapsedTimer timer;
    timer.start();
    const std::vector<TMergedCell> merged = frame.Model()->MergedCells();
    for (const TMergedCell& cell : merged)
        table.setSpan(cell.row, cell.column, cell.rows, cell.columns);
    const double spans = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("QTableView (%s): %zu spans set in %.1f ms\n", what, merged.size(), spans * 1e3);
    const TPaintTimes view = ScrolledRepaints(table);
    std::printf("QTableView repaint of a scrolled viewport:   %8.2f ms mean, %.2f ms worst\n",
                view.mean * 1e3, view.worst * 1e3);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const auto rows = Rows();
    const auto blob = DefinitionBlob();

    TOLAPFrame frame;
    frame.resize(1400, 900);
    frame.show();
    frame.LoadDefinition(blob->FieldByName(QStringLiteral("L_DEFINITIE")));
    frame.SetDataset(rows.get());
    QElapsedTimer timer;
    timer.start();
    frame.ShowCube();
    const double show = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const TPivotTableModel& model = *frame.Model();
    std::printf("pivot: %d row lines x %d column lines (%d x %d cells)\n",
                frame.Pivot()->LineCount(TPivotAxis::Rows), frame.Pivot()->LineCount(TPivotAxis::Columns),
                model.rowCount(), model.columnCount());
    std::printf("show the cube (build, pivot, model, widths): %8.1f ms\n", show * 1e3);
    const TPaintTimes grid = ScrolledRepaints(*frame.Grid());
    std::printf("grid repaint of a scrolled viewport:         %8.2f ms mean, %.2f ms worst\n",
                grid.mean * 1e3, grid.worst * 1e3);

    timer.restart();
    frame.Grid()->SetHeatMap(true);
    std::printf("heat map on (range of 5 million cells):      %8.1f ms\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e6);
    const TPaintTimes heat = ScrolledRepaints(*frame.Grid());
    std::printf("grid repaint with the heat map:              %8.2f ms mean, %.2f ms worst\n",
                heat.mean * 1e3, heat.worst * 1e3);
    frame.Grid()->SetHeatMap(false);
    timer.restart();
    const auto details = frame.DrillThroughDialog(model.rowCount() - 1, model.columnCount() - 1);
    std::printf("details of the grand total (%d rows):     %8.1f ms\n", details->Rows().RecordCount(),
                static_cast<double>(timer.nsecsElapsed()) / 1e6);
    CompareWithTableView(frame, "100 groups of 1,000");

    // Many merged headings: 10,000 groups of ten lines.
    TPivotLayout tens = frame.Pivot()->Layout();
    tens.rows.dimensions = {frame.Definition().DimensionIndex(QStringLiteral("TIENTAL")),
                            frame.Definition().DimensionIndex(QStringLiteral("NR"))};
    timer.restart();
    frame.ApplyLayout(tens);
    std::printf("re-pivot to 10,000 groups of ten:            %8.1f ms\n",
                static_cast<double>(timer.nsecsElapsed()) / 1e6);
    const TPaintTimes many = ScrolledRepaints(*frame.Grid());
    std::printf("grid repaint of a scrolled viewport:         %8.2f ms mean, %.2f ms worst\n",
                many.mean * 1e3, many.worst * 1e3);
    CompareWithTableView(frame, "10,000 groups of ten");
    return 0;
}
