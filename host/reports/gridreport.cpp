#include "gridreport.h"

#include "host/data/cell.h"
#include "host/data/clientdataset.h"
#include "host/forms/outputcontext.h"
#include "host/forms/screenresults.h"

#include <QLocale>
#include <algorithm>

namespace vorn {

namespace {

/// Millimetres of a column a grid shows this many pixels wide (at 96 pixels an inch).
double WidthMm(int pixels) {
    return std::max(8.0, pixels * 25.4 / 96.0);
}

QString ShownText(const TVornClientDataSet& rows, const TField& field, int position) {
    const Cell cell = rows.cellAtPosition(field, position);
    if (IsNullCell(cell))
        return {};
    if (IsIntegerType(field.DataType()))
        return FormatNumber(static_cast<double>(StoredInteger(field.Def(), cell)), QStringLiteral("#,##0"));
    if (IsNumericField(field.DataType()))
        return FormatNumber(FromCell(field.Def(), cell).toDouble(), QStringLiteral("#,##0.00"));
    return CellText(field.Def(), cell);
}

/// One grid as a section: its shown columns, its rows in the order shown.
void AddGrid(TShownReport& report, const TResultTable& table) {
    TReportSection section;
    section.caption = table.caption;
    for (const TResultColumn& shown : table.columns) {
        TReportColumn column;
        column.field = shown.fieldName;
        column.caption = shown.caption;
        column.widthMm = WidthMm(shown.width);
        column.align = shown.numeric ? Qt::AlignRight : Qt::AlignLeft;
        section.columns.push_back(column);
    }
    TReportSectionData data;
    data.caption = table.caption;
    data.columns = section.columns;
    const TVornClientDataSet& rows = *table.dataSet;
    std::vector<const TField*> fields;
    for (const TResultColumn& shown : table.columns)
        fields.push_back(&rows.FieldByName(shown.fieldName));
    std::vector<int> order = table.rowOrder;
    if (static_cast<int>(order.size()) != rows.RecordCount()) {
        order.clear();
        for (int position = 0; position < rows.RecordCount(); ++position)
            order.push_back(position);
    }
    data.columnCount = static_cast<int>(fields.size());
    data.rowCount = static_cast<int>(order.size());
    for (const int position : order)
        for (const TField* field : fields)
            data.cells.push_back(ShownText(rows, *field, position));
    report.file.sections.push_back(section);
    report.data.sections.push_back(std::move(data));
}

} // namespace

TShownReport ShownGridsReport(const IScreenResults& results, const QString& title) {
    TShownReport report;
    report.file.name = QStringLiteral("verloop");
    report.file.title = title;
    report.file.page.orientation = QPageLayout::Landscape;
    report.file.page.marginsMm = QMarginsF(12, 12, 12, 12);
    report.file.fontSize = 8;
    report.data.title = title;
    // The footer says when it was printed.
    for (const QString& line : ContextLines(results.Heading()))
        if (!line.startsWith(QLatin1String("Gemaakt op")))
            report.data.header << line;
    report.data.printedAt = QLocale().toString(OutputTime(), QLocale::ShortFormat);
    for (const TResultTable& table : results.Tables())
        AddGrid(report, table);
    return report;
}

} // namespace vorn
