#include "workbookwriter.h"

#include "exportfiles.h"

#include "host/controls/barchart.h"
#include "host/data/cell.h"
#include "host/data/clientdataset.h"
#include "host/data/errors.h"
#include "host/forms/outputcontext.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cmath>
#include <numeric>
#include <xlsxwriter.h>

namespace vorn {

QString WorkbookLibrary() {
    return QStringLiteral("libxlsxwriter %1 (BSD-2-licentie)").arg(QStringLiteral(LXW_VERSION));
}

namespace {

/// A workbook that is closed (and so written) exactly once, whatever happens.
class Workbook {
public:
    explicit Workbook(const QString& path) : path_(QFile::encodeName(path)) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE; // rows go to disk as they are written
        tmpdir_ = QFile::encodeName(QDir::tempPath());
        options.tmpdir = tmpdir_.data();
        book_ = workbook_new_opt(path_.constData(), &options);
        if (book_ == nullptr)
            RaiseClientError("Kon %s niet schrijven", path);
        bold_ = workbook_add_format(book_);
        format_set_bold(bold_);
        date_ = workbook_add_format(book_);
        format_set_num_format(date_, "dd/mm/yyyy");
        dateTime_ = workbook_add_format(book_);
        format_set_num_format(dateTime_, "dd/mm/yyyy hh:mm");
    }
    ~Workbook() {
        if (book_ != nullptr)
            workbook_close(book_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_worksheet* AddSheet(const QString& name) {
        const QByteArray utf8 = name.toUtf8();
        lxw_worksheet* sheet = workbook_add_worksheet(book_, utf8.constData());
        if (sheet == nullptr)
            RaiseClientError("Werkblad '%s' kon niet gemaakt worden", name);
        return sheet;
    }
    lxw_format* Bold() const { return bold_; }
    /// Dates are cells of the date kind shown the Flemish way, so that they sort and compute.
    lxw_format* Date() const { return date_; }
    lxw_format* DateTime() const { return dateTime_; }
    void Close(const QString& path) {
        const lxw_error result = workbook_close(book_);
        book_ = nullptr;
        if (result != LXW_NO_ERROR)
            RaiseClientError("Kon %s niet schrijven: %s", path, QString::fromLatin1(lxw_strerror(result)));
    }

private:
    QByteArray path_;
    QByteArray tmpdir_;
    lxw_workbook* book_ = nullptr;
    lxw_format* bold_ = nullptr;
    lxw_format* date_ = nullptr;
    lxw_format* dateTime_ = nullptr;
};

void check(lxw_error result) {
    if (result != LXW_NO_ERROR)
        RaiseClientError("Fout bij het schrijven van de werkmap: %s",
                         QString::fromLatin1(lxw_strerror(result)));
}

void writeText(lxw_worksheet* sheet, int row, int column, const QString& text, lxw_format* format = nullptr) {
    if (text.isEmpty())
        return;
    const QByteArray utf8 = text.toUtf8();
    check(worksheet_write_string(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                 utf8.constData(), format));
}

void writeNumber(lxw_worksheet* sheet, int row, int column, double value, lxw_format* format = nullptr) {
    check(worksheet_write_number(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column), value,
                                 format));
}

/// Excel measures a column in characters of its default font, about 7 pixels each.
double characterWidth(int pixels) {
    return std::max(4.0, pixels / 7.0);
}

/// What the sheet shows, one line a row above the table and a blank row under it; answers the row
/// the table starts on.
int writeContext(lxw_worksheet* sheet, const QStringList& context) {
    int row = 0;
    for (const QString& line : context)
        writeText(sheet, row++, 0, line);
    return context.isEmpty() ? 0 : row + 1;
}

void writeHeader(lxw_worksheet* sheet, int row, const QStringList& captions, lxw_format* bold) {
    for (int c = 0; c < captions.size(); ++c)
        writeText(sheet, row, c, captions[c], bold);
    worksheet_freeze_panes(sheet, static_cast<lxw_row_t>(row + 1), 0);
}

void writeCell(const Workbook& book, lxw_worksheet* sheet, int row, int column, const TField& field,
               const Cell& cell) {
    if (IsNullCell(cell))
        return;
    // A date's day number counts from 30 December 1899, as the workbook's serial dates do.
    if (field.DataType() == TFieldType::Date)
        writeNumber(sheet, row, column, std::floor(StoredDouble(field.Def(), cell)), book.Date());
    else if (field.DataType() == TFieldType::DateTime)
        writeNumber(sheet, row, column, StoredDouble(field.Def(), cell), book.DateTime());
    else if (IsNumericField(field.DataType()))
        writeNumber(sheet, row, column, field.ValueOf(cell).toDouble());
    else
        writeText(sheet, row, column, field.DisplayTextOf(cell));
}

/// The row positions of the table in the order the grid shows them.
std::vector<int> shownOrder(const TResultTable& table) {
    const int rows = table.dataSet->RecordCount();
    if (static_cast<int>(table.rowOrder.size()) == rows)
        return table.rowOrder;
    std::vector<int> order(static_cast<std::size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

/// A column a screen declares but that holds no value in any row says nothing in a workbook.
bool holdsAValue(const TResultTable& table, const TField* field) {
    if (field == nullptr)
        return false;
    for (int position = 0; position < table.dataSet->RecordCount(); ++position)
        if (!IsNullCell(table.dataSet->cellAtPosition(*field, position)))
            return true;
    return false;
}

void writeTable(Workbook& book, const TResultTable& table, const QString& name, const QStringList& context) {
    lxw_worksheet* sheet = book.AddSheet(name);
    QStringList captions;
    std::vector<const TField*> fields;
    for (const TResultColumn& column : table.columns) {
        const TField* field = table.dataSet->FindField(column.fieldName);
        if (!holdsAValue(table, field))
            continue;
        const auto index = static_cast<lxw_col_t>(fields.size());
        check(worksheet_set_column(sheet, index, index, characterWidth(column.width), nullptr));
        captions << column.caption;
        fields.push_back(field);
    }
    const int header = writeContext(sheet, context);
    writeHeader(sheet, header, captions, book.Bold());
    int row = header + 1;
    for (const int position : shownOrder(table)) {
        for (std::size_t c = 0; c < fields.size(); ++c)
            writeCell(book, sheet, row, static_cast<int>(c), *fields[c],
                      table.dataSet->cellAtPosition(*fields[c], position));
        ++row;
    }
}

void writeTotals(Workbook& book, const QString& totals, const QStringList& context) {
    lxw_worksheet* sheet = book.AddSheet(QStringLiteral("Totalen"));
    check(worksheet_set_column(sheet, 0, 0, 30, nullptr));
    const int header = writeContext(sheet, context);
    writeHeader(sheet, header, {QStringLiteral("Totaal"), QStringLiteral("Waarde")}, book.Bold());
    int row = header + 1;
    for (const auto& [label, value] : TotalsPairs(totals)) {
        writeText(sheet, row, 0, label);
        bool number = false;
        const double parsed = value.toDouble(&number);
        if (number)
            writeNumber(sheet, row, 1, parsed);
        else
            writeText(sheet, row, 1, value);
        ++row;
    }
}

/// Each chart as a block: its caption in bold, then a row per bar, a blank row between charts.
void writeCharts(Workbook& book, const std::vector<TResultSeries>& series, const QStringList& context) {
    lxw_worksheet* sheet = book.AddSheet(QStringLiteral("Grafieken"));
    check(worksheet_set_column(sheet, 0, 0, 60, nullptr));
    check(worksheet_set_column(sheet, 1, 1, 12, nullptr));
    const int header = writeContext(sheet, context);
    writeHeader(sheet, header, {QStringLiteral("Grafiek / staaf"), QStringLiteral("Waarde")}, book.Bold());
    int row = header + 1;
    for (const TResultSeries& chart : series) {
        const TBarPainter& painter = chart.chart->Painter();
        writeText(sheet, row++, 0, FileNameOf(chart.caption), book.Bold());
        // A chart with series gets a line naming them over their columns.
        for (int s = 0; s < painter.SeriesCount(); ++s)
            writeText(sheet, row, 1 + s, painter.SeriesAt(s).name, book.Bold());
        row += painter.SeriesCount() > 0 ? 1 : 0;
        for (int bar = 0; bar < painter.BarCount(); ++bar) {
            const TBarPainter::Bar& shown = painter.Bars(bar);
            writeText(sheet, row, 0, shown.label);
            if (shown.values.empty())
                writeNumber(sheet, row, 1, shown.value);
            for (std::size_t s = 0; s < shown.values.size(); ++s)
                writeNumber(sheet, row, 1 + static_cast<int>(s), shown.values[s]);
            ++row;
        }
        ++row;
    }
}

} // namespace

QString SheetName(const QString& caption, const QStringList& taken) {
    static const QRegularExpression forbidden(QStringLiteral("[\\[\\]:*?/\\\\]"));
    QString base = FileNameOf(caption);
    base.replace(forbidden, QStringLiteral("-"));
    base = base.left(31).trimmed();
    if (base.isEmpty())
        base = QStringLiteral("Blad");
    QString name = base;
    for (int n = 2; taken.contains(name, Qt::CaseInsensitive); ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        name = base.left(31 - suffix.size()) + suffix;
    }
    return name;
}

std::vector<std::pair<QString, QString>> TotalsPairs(const QString& totals) {
    static const QRegularExpression gap(QStringLiteral("\\s{3,}"));
    std::vector<std::pair<QString, QString>> pairs;
    for (const QString& part : totals.split(gap, Qt::SkipEmptyParts)) {
        const int colon = part.lastIndexOf(u':');
        if (colon < 0)
            continue;
        const QString label = part.left(colon).trimmed();
        const QString value = part.mid(colon + 1).trimmed();
        if (!value.isEmpty())
            pairs.emplace_back(label, value);
    }
    return pairs;
}

void WriteWorkbook(const IScreenResults& results, const QString& path) {
    WriteWorkbook(results.Tables(), results.Totals(), results.Series(), ContextLines(results.Heading()),
                  path);
}

void WriteWorkbook(const std::vector<TResultTable>& tables, const QString& totals,
                   const std::vector<TResultSeries>& series, const QStringList& context,
                   const QString& path) {
    const QString target = OutputTarget(path);
    // libxlsxwriter writes the file itself: it goes beside the target under a name of its own and
    // replaces the target once complete; created by the library, it gets the user's usual permissions.
    const QString temporaryPath = TemporaryBeside(target);
    struct RemoveUnlessKept {
        QString file;
        bool kept = false;
        ~RemoveUnlessKept() {
            if (!kept)
                QFile::remove(file);
        }
    } partial{temporaryPath};
    {
        Workbook book(temporaryPath);
        QStringList sheets;
        for (const TResultTable& table : tables) {
            sheets << SheetName(table.caption, sheets);
            writeTable(book, table, sheets.last(), context);
        }
        if (!totals.isEmpty())
            writeTotals(book, totals, context);
        if (!series.empty())
            writeCharts(book, series, context);
        book.Close(path);
    }
    partial.kept = true;
    ReplaceFile(temporaryPath, target);
}

} // namespace vorn
