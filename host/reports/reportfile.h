#pragma once

#include "host/data/errors.h"
#include "host/data/fielddef.h"

#include <QByteArray>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vorn {

/// A report file that cannot be found, read or understood; the message names the file.
class EReportError : public EVornError {
public:
    using EVornError::EVornError;
};

/// A provider parameter of a report, filled from the print parameters.
struct TReportParam {
    QString name;
    QString value; // text with {placeholders}; empty after substitution means null
    TFieldType type = TFieldType::WideString;
};

/// Where a section's or lookup's rows come from: a provider, its parameters and the row order.
struct TReportSource {
    QString provider;
    std::vector<TReportParam> params;
    QStringList order;     // fields to sort by, ascending
    QStringList orderDesc; // those of `order` that descend
};

struct TReportColumn {
    QString field;
    QString caption;
    double widthMm = 20;
    Qt::Alignment align = Qt::AlignLeft;
    bool wrap = false; // long texts wrap onto more lines instead of being cut off with "..."
    QString format;    // numbers: "0", "#,##0", "0.0", "#,##0.00", ...
};

struct TReportTotals {
    QString caption;
    QStringList sums; // the fields summed under their column
};

struct TReportChart {
    QString title;
    QString labelField; // fields joined with a blank, ';'-separated
    QString valueField;
};

struct TReportSection {
    QString caption;
    TReportSource source;
    std::vector<TReportColumn> columns;
    std::optional<TReportTotals> totals;
    std::optional<TReportChart> chart;
    /// In a comparison: the columns that say which rows are the same category (none given: every
    /// column that is not summed), and whether a row is paired only within one school year (a class
    /// is another class every year).
    QStringList matchFields;
    bool withinSchoolYear = false;
};

/// One row of a provider whose fields become placeholders of the header (the institution's name).
struct TReportLookup {
    TReportSource source;
    QString keyField;
    QString keyValue; // text with {placeholders}
};

struct TReportPage {
    QPageSize::PageSizeId size = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF marginsMm{15, 15, 15, 15};

    QPageLayout ToLayout() const;
};

/// A report file: page set-up, a title and header lines with placeholders, and data sections.
struct TReportFile {
    QString name; // the file name, for messages and the remembered page set-up
    QString title;
    TReportPage page;
    QString fontFamily = QStringLiteral("DejaVu Sans");
    int fontSize = 9; // points
    QStringList header;
    std::vector<TReportLookup> lookups;
    std::vector<TReportSection> sections;
};

/// Reads a report file's text; raises EReportError naming `name` and what is wrong.
TReportFile ParseReportFile(const QByteArray& text, const QString& name);
/// Reads and parses a report file.
TReportFile LoadReportFile(const QString& path);

/// The folders searched for report files, in order: each folder of $VORN_REPORT_PATH, the
/// program's own folder and its "reports" folder, the installed data folder.
QStringList ReportFolders();
/// The path of a report file by its name; raises EReportError naming the folders searched.
QString FindReportFile(const QString& fileName);

} // namespace vorn
