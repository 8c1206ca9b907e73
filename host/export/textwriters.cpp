#include "textwriters.h"

#include "exportfiles.h"

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

QString ContextFileBeside(const QString& csvPath) {
    const QString base =
        csvPath.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive) ? csvPath.chopped(4) : csvPath;
    return base + QStringLiteral(".info.txt");
}

void WriteContextFile(const QString& path, const QStringList& context) {
    WriteFileWhole(path, [&](QIODevice& device) {
        QTextStream out(&device);
        for (const QString& line : context)
            out << line << '\n';
        out.flush();
    });
}

void WriteSeriesCsv(const TResultSeries& series, QIODevice& device) {
    QTextStream out(&device);
    out << "label,value\n";
    for (int bar = 0; bar < series.chart->BarCount(); ++bar)
        out << CsvField(series.chart->Bars(bar).label) << ',' << series.chart->Bars(bar).value << '\n';
    out.flush();
}

} // namespace vorn
