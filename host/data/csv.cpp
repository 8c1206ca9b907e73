#include "csv.h"

#include "clientdataset.h"
#include "scopeguards.h"

#include <QStringList>

namespace vorn {

QString CsvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

void WriteCsv(TVornClientDataSet& dataSet, QTextStream& out) {
    QStringList header;
    for (int i = 0; i < dataSet.FieldCount(); ++i)
        header << CsvField(dataSet.Fields(i).FieldName());
    out << header.join(u',') << '\n';
    const TControlsDisabled quiet(dataSet);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        QStringList row;
        for (int i = 0; i < dataSet.FieldCount(); ++i)
            row << CsvField(dataSet.Fields(i).AsString());
        out << row.join(u',') << '\n';
    }
}

} // namespace vorn
