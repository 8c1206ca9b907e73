#pragma once

#include "reportfile.h"

#include "host/controls/barpainter.h"

#include <QDateTime>
#include <QHash>
#include <QStringList>
#include <vector>

namespace vorn {

class IProviderBroker;

/// The rows of one section as they are printed: texts, row by row.
struct TReportSectionData {
    QString caption;
    /// The columns as printed: the file's, or in a comparison each summed one as four.
    std::vector<TReportColumn> columns;
    int rowCount = 0;
    int columnCount = 0;
    std::vector<QString> cells; // row-major
    QStringList totals;         // one text per column; empty when the section has no totals
    bool hasChart = false;
    TBarPainter chart;

    const QString& Cell(int row, int column) const {
        return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columnCount) +
                     static_cast<std::size_t>(column)];
    }
};

/// Everything a report prints, read from the server and the print parameters.
struct TReportData {
    QString title;
    QStringList header;
    QString printedAt;
    QString workDate; // dd/mm/yyyy; empty outside the client
    std::vector<TReportSectionData> sections;
};

/// The values of the placeholders: print parameters ("name=value") and the fields of the lookups,
/// names in capitals. "{Afdrukdatum}" is the time of printing.
using TPlaceholders = QHash<QString, QString>;
TPlaceholders PlaceholdersOf(const QStringList& printParams, const QDateTime& printedAt);
/// Replaces every {NAME} (letter case ignored); an unknown name raises with the file's name.
QString Substitute(const QString& text, const TPlaceholders& values, const QString& fileName);

/// Reads what the report prints: lookups first, then every section's rows in the file's order.
/// Null `broker`: the client's default. Print parameters named "VGL_NAME" make it a comparison:
/// every section is read a second time with them standing in for NAME, and each summed column is
/// printed with the other side's value, the difference and the change ("VGL_ZelfdeSchooljaar=0":
/// the periods lie in different school years; "Reeks", "VGL_Reeks": the chart's series names;
/// "Vergelijking": a header line).
TReportData ReadReportData(const TReportFile& file, const QStringList& printParams,
                           const QDateTime& printedAt, IProviderBroker* broker = nullptr);

/// A number as a column's format writes it ("0", "#,##0", "0.00", "#,##0.0", ...).
QString FormatNumber(double value, const QString& format);

} // namespace vorn
