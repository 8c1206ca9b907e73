#include "pivotwriters.h"

#include "pivotpainter.h"

#include "host/cube/pivotmodel.h"
#include "host/data/csv.h"
#include "host/data/errors.h"
#include "host/data/scopeguards.h"
#include "host/export/exportfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTextStream>
#include <map>
#include <xlsxwriter.h>

namespace vorn {

namespace {

constexpr int ExcelRows = 1'048'576;
constexpr int ExcelColumns = 16'384;

QString CellText(const TPivotTableModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

/// The text a cell shows, or for a cell under a merged heading the heading's label.
QString HeadingText(const TPivotTableModel& model, int row, int column) {
    const QPoint origin = SpanOrigin(model, row, column);
    return CellText(model, origin.y(), origin.x());
}

QString Clean(QString text) {
    text.replace(u'\t', u' ');
    text.replace(u'\n', u' ');
    text.replace(u'\r', u' ');
    return text;
}

} // namespace

QString PivotCellsAsText(const TPivotTableModel& model, const QRect& cells) {
    const QRect all(0, 0, model.columnCount(), model.rowCount());
    const QRect chosen = cells.normalized().intersected(all);
    if (chosen.isEmpty())
        return {};
    const int headerRows = model.HeaderRowCount();
    const int headerColumns = model.HeaderColumnCount();
    const int firstRow = std::max(chosen.top(), headerRows);
    const int firstColumn = std::max(chosen.left(), headerColumns);
    QStringList lines;
    if (firstRow > chosen.bottom() || firstColumn > chosen.right()) {
        for (int row = chosen.top(); row <= chosen.bottom(); ++row) {
            QStringList line;
            for (int column = chosen.left(); column <= chosen.right(); ++column)
                line << Clean(HeadingText(model, row, column));
            lines << line.join(u'\t');
        }
        return lines.join(u'\n') + u'\n';
    }
    for (int row = 0; row < headerRows; ++row) {
        QStringList line;
        for (int column = 0; column < headerColumns; ++column)
            line << Clean(CellText(model, row, column));
        for (int column = firstColumn; column <= chosen.right(); ++column)
            line << Clean(HeadingText(model, row, column));
        lines << line.join(u'\t');
    }
    for (int row = firstRow; row <= chosen.bottom(); ++row) {
        QStringList line;
        for (int column = 0; column < headerColumns; ++column)
            line << Clean(HeadingText(model, row, column));
        for (int column = firstColumn; column <= chosen.right(); ++column)
            line << Clean(CellText(model, row, column));
        lines << line.join(u'\t');
    }
    return lines.join(u'\n') + u'\n';
}

void WritePivotCsv(const TPivotTableModel& model, QIODevice& device) {
    QTextStream out(&device);
    const int headerRows = model.HeaderRowCount();
    const int headerColumns = model.HeaderColumnCount();
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            if (column > 0)
                out << ',';
            if (row < headerRows || column < headerColumns) {
                out << CsvField(CellText(model, row, column));
                continue;
            }
            const QVariant value = model.data(model.index(row, column), Qt::EditRole);
            if (value.isValid())
                out << QString::number(value.toDouble(), 'g', 15);
        }
        out << '\n';
    }
    out.flush();
    if (out.status() != QTextStream::Ok)
        RaiseClientError("De CSV kon niet geschreven worden");
}

void WritePivotCsvFile(const TPivotTableModel& model, const QString& path) {
    WriteFileWhole(path, [&](QIODevice& device) { WritePivotCsv(model, device); });
}

QString ExcelNumberFormat(const QString& pattern) {
    const qsizetype point = pattern.indexOf(u'.');
    if (point >= 0 && point + 1 < pattern.size() && pattern[point + 1] == u'#')
        return QStringLiteral("General"); // only optional decimals: Excel would leave the point dangling
    return pattern;
}

namespace {

void Check(lxw_error result) {
    if (result != LXW_NO_ERROR)
        RaiseClientError("Fout bij het schrijven van de werkmap: %s",
                         QString::fromLatin1(lxw_strerror(result)));
}

/// The formats of the sheet: headings, totals, and per number format a plain and a bold one.
class TPivotFormats {
public:
    explicit TPivotFormats(lxw_workbook* book) : book_(book) {
        heading_ = workbook_add_format(book);
        format_set_bg_color(heading_, 0xECEFF4);
        format_set_align(heading_, LXW_ALIGN_VERTICAL_TOP);
        format_set_border(heading_, LXW_BORDER_THIN);
        format_set_border_color(heading_, 0xC8CCD2);
        headingTotal_ = workbook_add_format(book);
        format_set_bg_color(headingTotal_, 0xECEFF4);
        format_set_bold(headingTotal_);
        format_set_align(headingTotal_, LXW_ALIGN_VERTICAL_TOP);
        format_set_border(headingTotal_, LXW_BORDER_THIN);
        format_set_border_color(headingTotal_, 0xC8CCD2);
    }
    lxw_format* Heading(bool total) const { return total ? headingTotal_ : heading_; }
    lxw_format* Number(const QString& excelFormat, bool total) {
        lxw_format*& format = numbers_[{excelFormat, total}];
        if (format == nullptr) {
            format = workbook_add_format(book_);
            const QByteArray utf8 = excelFormat.toUtf8();
            format_set_num_format(format, utf8.constData());
            if (total)
                format_set_bold(format);
        }
        return format;
    }

private:
    lxw_workbook* book_;
    lxw_format* heading_;
    lxw_format* headingTotal_;
    std::map<std::pair<QString, bool>, lxw_format*> numbers_;
};

/// The Excel format of each shown measure, or a percentage when the cells show one.
std::vector<QString> SlotFormats(const TPivot& pivot) {
    std::vector<QString> formats;
    for (const int measure : pivot.Layout().measures) {
        if (ShowsFraction(pivot.Layout().showAs)) {
            formats.push_back(QStringLiteral("0.0%"));
            continue;
        }
        if (pivot.Layout().showAs == TShowAs::Rank) {
            formats.push_back(QStringLiteral("0"));
            continue;
        }
        const TCubeMeasureDef& def = pivot.Cube().Measure(measure).def;
        formats.push_back(
            ExcelNumberFormat(def.format.isEmpty() ? DefaultFormat(def.aggregate) : def.format));
    }
    return formats;
}

void WriteString(lxw_worksheet* sheet, int row, int column, const QString& text, lxw_format* format) {
    const QByteArray utf8 = text.toUtf8();
    Check(worksheet_write_string(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                 utf8.constData(), format));
}

/// The pivot's cells under the lines that say what it shows (and a blank row).
void WriteSheet(lxw_workbook* book, const TPivot& pivot, const TPivotTableModel& model,
                const QStringList& context) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Kubus");
    if (sheet == nullptr)
        RaiseClientError("Het werkblad kon niet gemaakt worden");
    TPivotFormats formats(book);
    const std::vector<QString> slotFormats = SlotFormats(pivot);
    const int headerRows = model.HeaderRowCount();
    const int headerColumns = model.HeaderColumnCount();
    const int slotsPerLine = std::max(pivot.MeasureSlotCount(), 1);
    for (int line = 0; line < context.size(); ++line)
        WriteString(sheet, line, 0, context[line], nullptr);
    const int top = context.isEmpty() ? 0 : static_cast<int>(context.size()) + 1;
    Check(worksheet_set_column(sheet, 0, static_cast<lxw_col_t>(headerColumns - 1), 22, nullptr));
    if (model.columnCount() > headerColumns)
        Check(worksheet_set_column(sheet, static_cast<lxw_col_t>(headerColumns),
                                   static_cast<lxw_col_t>(model.columnCount() - 1), 13, nullptr));
    for (int row = 0; row < model.rowCount(); ++row)
        for (int column = 0; column < model.columnCount(); ++column) {
            const QModelIndex index = model.index(row, column);
            const bool total = model.data(index, TPivotTableModel::TotalRole).toBool();
            if (row < headerRows || column < headerColumns) {
                const QSize span = model.Span(row, column);
                if (span == QSize(0, 0))
                    continue; // written by the merge of its heading
                lxw_format* format = formats.Heading(total);
                const QString text = model.data(index).toString();
                if (span.width() * span.height() > 1) {
                    const QByteArray utf8 = text.toUtf8();
                    Check(worksheet_merge_range(
                        sheet, static_cast<lxw_row_t>(top + row), static_cast<lxw_col_t>(column),
                        static_cast<lxw_row_t>(top + row + span.height() - 1),
                        static_cast<lxw_col_t>(column + span.width() - 1), utf8.constData(), format));
                } else {
                    WriteString(sheet, top + row, column, text, format);
                }
                continue;
            }
            const QVariant value = model.data(index, Qt::EditRole);
            if (!value.isValid())
                continue;
            const int slot = (column - headerColumns) % slotsPerLine;
            Check(worksheet_write_number(sheet, static_cast<lxw_row_t>(top + row),
                                         static_cast<lxw_col_t>(column), value.toDouble(),
                                         formats.Number(slotFormats[static_cast<std::size_t>(slot)], total)));
        }
    worksheet_freeze_panes(sheet, static_cast<lxw_row_t>(top + headerRows),
                           static_cast<lxw_col_t>(headerColumns));
}

} // namespace

void WritePivotXlsx(const TPivot& pivot, const TPivotTableModel& model, const QStringList& context,
                    const QString& path) {
    if (model.rowCount() + context.size() + 1 > ExcelRows || model.columnCount() > ExcelColumns)
        RaiseClientError("De kubus is te groot voor een werkblad (%d rijen, %d kolommen)", model.rowCount(),
                         model.columnCount());
    const QString target = OutputTarget(path);
    // The library writes the file itself: beside the target under a name of its own, renamed over
    // the target once it is complete.
    const QString temporary = TemporaryBeside(target);
    const QByteArray temporaryName = QFile::encodeName(temporary);
    const QByteArray tmpdir = QFile::encodeName(QDir::tempPath());
    lxw_workbook_options options{};
    options.tmpdir = const_cast<char*>(tmpdir.constData());
    lxw_workbook* book = workbook_new_opt(temporaryName.constData(), &options);
    if (book == nullptr)
        RaiseClientError("Kon %s niet schrijven", path);
    {
        const TOnFailure discard([&] {
            workbook_close(book);
            QFile::remove(temporary);
        });
        WriteSheet(book, pivot, model, context);
    }
    const lxw_error closed = workbook_close(book);
    if (closed != LXW_NO_ERROR) {
        QFile::remove(temporary);
        RaiseClientError("Kon %s niet schrijven: %s", path, QString::fromLatin1(lxw_strerror(closed)));
    }
    const TOnFailure discard([&temporary] { QFile::remove(temporary); });
    ReplaceFile(temporary, target);
}

} // namespace vorn
