#include "textwriters.h"

#include "host/controls/barchart.h"
#include "host/data/clientdataset.h"
#include "host/data/csv.h"

#include <QTextStream>

namespace vorn {

void WriteTableCsv(const TResultTable& table, QIODevice& device) {
    QTextStream out(&device);
    WriteCsv(*table.dataSet, out);
    out.flush();
}

void WriteSeriesCsv(const TResultSeries& series, QIODevice& device) {
    QTextStream out(&device);
    out << "label,value\n";
    for (int bar = 0; bar < series.chart->BarCount(); ++bar)
        out << CsvField(series.chart->Bars(bar).label) << ',' << series.chart->Bars(bar).value << '\n';
    out.flush();
}

} // namespace vorn
