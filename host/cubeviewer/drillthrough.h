#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorn {

class TVornClientDataSet;
class TVornDatasource;
class TVornDBgrid;

/// A copy of some rows of a dataset (positions in its current order) with every data and lookup
/// field, as a local dataset of its own.
std::unique_ptr<TVornClientDataSet> CopyRows(const TVornClientDataSet& source,
                                             const std::vector<std::uint32_t>& positions);

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
    /// The rows as CSV (a header of field names) or as a workbook, whole or not at all.
    void WriteCsv(const QString& path) const;
    void WriteXlsx(const QString& path) const;

private:
    void exportChosen();

    std::unique_ptr<TVornClientDataSet> rows_;
    TVornDatasource* source_;
    TVornDBgrid* grid_;
    QString caption_;
};

} // namespace vorn
