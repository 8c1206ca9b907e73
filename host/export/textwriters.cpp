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

/// "label,value", or with series a column per series named by it.
void WriteSeriesCsv(const TResultSeries& series, QIODevice& device) {
    QTextStream out(&device);
    const TBarPainter& painter = series.chart->Painter();
    out << "label";
    if (painter.SeriesCount() == 0)
        out << ",value";
    for (int s = 0; s < painter.SeriesCount(); ++s)
        out << ',' << CsvField(painter.SeriesAt(s).name);
    out << '\n';
    for (int bar = 0; bar < painter.BarCount(); ++bar) {
        const TBarPainter::Bar& shown = painter.Bars(bar);
        out << CsvField(shown.label);
        if (shown.values.empty())
            out << ',' << shown.value;
        for (const int value : shown.values)
            out << ',' << value;
        out << '\n';
    }
    out.flush();
}

} // namespace vorn
