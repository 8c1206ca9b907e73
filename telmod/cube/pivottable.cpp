#include "pivottable.h"

#include "host/cube/pivotmodel.h"
#include "host/data/cell.h"

#include <QSet>

namespace telmod {

using namespace vorn;

namespace {

QString TextAt(const TPivotTableModel& model, int row, int column) {
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

/// The texts of the heading cells (the first `headerRows` rows and the first `headerColumns` columns),
/// a merged label copied into the cells it covers; value cells are left out.
class HeadingTexts {
public:
    HeadingTexts(const TPivotTableModel& model, int headerRows, int headerColumns)
        : rows_(model.rowCount()), columns_(model.columnCount()), headerRows_(headerRows),
          headerColumns_(headerColumns) {
        top_.resize(static_cast<std::size_t>(headerRows_ * columns_));
        left_.resize(static_cast<std::size_t>(rows_ * headerColumns_));
        for (int r = 0; r < rows_; ++r)
            for (int c = 0; c < columns_; ++c)
                if (isHeading(r, c))
                    at(r, c) = TextAt(model, r, c);
        for (const TMergedCell& merged : model.MergedCells())
            for (int r = merged.row; r < merged.row + merged.rows && r < rows_; ++r)
                for (int c = merged.column; c < merged.column + merged.columns && c < columns_; ++c)
                    if (isHeading(r, c) && (r != merged.row || c != merged.column))
                        at(r, c) = at(merged.row, merged.column);
    }
    const QString& operator()(int row, int column) const {
        return row < headerRows_ ? top_[static_cast<std::size_t>(row * columns_ + column)]
                                 : left_[static_cast<std::size_t>(row * headerColumns_ + column)];
    }

private:
    bool isHeading(int row, int column) const { return row < headerRows_ || column < headerColumns_; }
    QString& at(int row, int column) {
        return row < headerRows_ ? top_[static_cast<std::size_t>(row * columns_ + column)]
                                 : left_[static_cast<std::size_t>(row * headerColumns_ + column)];
    }
    int rows_, columns_, headerRows_, headerColumns_;
    std::vector<QString> top_;
    std::vector<QString> left_;
};

/// A field name not used yet: the name itself, or with " (2)", " (3)", ... after it.
QString UniqueName(const QString& wanted, QSet<QString>& used) {
    QString name = wanted.isEmpty() ? QStringLiteral("Kolom") : wanted;
    for (int n = 2; used.contains(name.toLower()); ++n)
        name = QStringLiteral("%1 (%2)").arg(wanted).arg(n);
    used.insert(name.toLower());
    return name;
}

} // namespace

void FillPivotTable(const TPivotTableModel& model, TVornClientDataSet& table) {
    const int headerRows = model.HeaderRowCount();
    const int headerColumns = model.HeaderColumnCount();
    const int rows = model.rowCount();
    const int columns = model.columnCount();
    const HeadingTexts texts(model, headerRows, headerColumns);

    table.Close();
    table.ClearFields();
    QSet<QString> used;
    for (int c = 0; c < columns; ++c) {
        if (c < headerColumns) {
            const QString caption = headerRows > 0 ? texts(headerRows - 1, c) : QString();
            table.AddField(FieldDef::wideString(UniqueName(caption, used), 200));
            continue;
        }
        QStringList parts;
        for (int r = 0; r < headerRows; ++r)
            if (const QString& part = texts(r, c); !part.isEmpty())
                parts << part;
        table.AddField(FieldDef::floating(UniqueName(parts.join(QStringLiteral(" / ")), used)));
    }
    Table data(table.FieldDefs());
    for (int r = headerRows; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            Column& column = data.columns[static_cast<std::size_t>(c)];
            if (c < headerColumns) {
                AppendText(column, data.fields[static_cast<std::size_t>(c)], texts(r, c));
                continue;
            }
            const QVariant value = model.data(model.index(r, c), Qt::EditRole);
            if (value.isValid())
                column.appendDouble(value.toDouble());
            else
                column.appendNull();
        }
    table.CreateDataSet(std::move(data));
}

} // namespace telmod
