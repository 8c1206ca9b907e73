#pragma once

#include <QDialog>
#include <QHash>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorn {

class TVornClientDataSet;
class TVornDatasource;
class TVornDBgrid;

/// A copy of some rows of a dataset (positions in its current order) with every data and lookup
/// field, as a local dataset of its own. A field's caption is the one `captions` gives (keyed by
/// field name in capitals), else its name made readable: the user never reads a column name.
std::unique_ptr<TVornClientDataSet> CopyRows(const TVornClientDataSet& source,
                                             const std::vector<std::uint32_t>& positions,
                                             const QHash<QString, QString>& captions = {});

/// "CURSIST_ID" as a caption: "Cursist id".
QString ReadableFieldName(const QString& fieldName);

/// The source rows behind a cell of the pivot in a grid of their own: Ctrl+C copies the selected
/// cells with their column captions; "Kopiëren" copies all rows, "Exporteren..." writes them as CSV
/// or XLSX.
class TDrillThroughDialog : public QDialog {
    Q_OBJECT
public:
    TDrillThroughDialog(std::unique_ptr<TVornClientDataSet> rows, const QString& caption,
                        QWidget* parent = nullptr);
    ~TDrillThroughDialog() override;

    TVornDBgrid* Grid() const { return grid_; }
    TVornClientDataSet& Rows() const { return *rows_; }
    void CopyAll() const;
    /// The lines that say which pivot and cell the rows are of, written with every export.
    void SetContext(const QStringList& context) { context_ = context; }
    /// The rows as CSV (a header of field names, the context beside it) or as a workbook, whole or
    /// not at all.
    void WriteCsv(const QString& path) const;
    void WriteXlsx(const QString& path) const;

private:
    void exportChosen();

    std::unique_ptr<TVornClientDataSet> rows_;
    TVornDatasource* source_;
    TVornDBgrid* grid_;
    QString caption_;
    QStringList context_;
};

} // namespace vorn
