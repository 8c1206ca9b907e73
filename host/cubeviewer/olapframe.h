#pragma once

#include "fieldlist.h"
#include "pivotgrid.h"

#include "host/cube/cubedefinition.h"
#include "host/cube/pivot.h"
#include "host/cube/pivotmodel.h"
#include "host/forms/screenresults.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QScrollArea;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace vorn {

class TBarChart;
class TDrillThroughDialog;
struct TPivotChartData;
enum class TBarStacking : std::uint8_t;

/// The items of the chart's "Reeksen" chooser, in order.
enum class TChartArrangement { RowTotals, Clustered, Stacked };
class TField;
class TPivotGrid;
class TVornClientDataSet;
class TVornIniFile;

/// The cube viewer: a page control "PCOLAP" with the page "Rooster" (toolbar, the slice grid
/// "GOLAP" and the field list) and the page "Grafiek" (a bar chart of the shown rows). The user
/// rearranges the pivot as in a spreadsheet's pivot table; every rearrangement ends in ApplyLayout
/// and is remembered per statistic in the settings file.
class TOLAPFrame : public QWidget {
    Q_OBJECT
public:
    explicit TOLAPFrame(QWidget* parent = nullptr);
    ~TOLAPFrame() override;

    /// Reads the cube definition from a blob field (TOLAPDefinition::LoadFromBlobField); raises ECubeError.
    void LoadDefinition(const TField& blob);
    const TOLAPDefinition& Definition() const { return definition_; }
    /// Where rearranged layouts are remembered: the settings file and the statistic's own key.
    void SetSettings(TVornIniFile* settings, const QString& statisticKey);
    /// The rows to pivot; not owned. Read in the dataset's current order when the cube is shown.
    void SetDataset(TVornClientDataSet* dataSet);
    /// Builds the cube from the dataset and the definition and shows it in the statistic's
    /// remembered layout, or the definition's when none (or when the remembered one no longer fits).
    /// Raises ECubeError (a definition that does not fit the rows) and leaves nothing half shown.
    void ShowCube();
    /// Forgets the cube (and the dataset pointer); the frame shows an empty pivot.
    void CloseCube();
    bool CubeShown() const { return pivot_ != nullptr; }
    /// "Afdruk rooster": print dialog then pages / the print preview. Raise an EClientError when no
    /// cube is shown.
    void PrintCube();
    void PreviewCube();
    /// The pivot as shown, for exports and tests (null when no cube is shown).
    const TPivot* Pivot() const { return pivot_.get(); }
    TPivotTableModel* Model() const { return model_.get(); }
    /// The pivot as shown to a file, written whole or not at all; raise on failure.
    void WriteCsv(const QString& path) const;
    void WriteXlsx(const QString& path) const;
    void WritePdf(const QString& path, const QString& title) const;
    /// What the screen says the pivot shows (institution, statistic, school year); asked at every output.
    void SetHeadingSource(std::function<TResultHeading()> source);
    /// The screen's heading with the filters of the pivot as shown.
    TResultHeading Heading() const;
    /// The line over the grid that names the active filters, or says that the statistic found no
    /// rows (hidden when neither).
    QLabel* FilterNote() const { return filterNote_; }
    /// Rearranges the shown pivot (what every control of the frame ends in); remembered per statistic.
    void ApplyLayout(const TPivotLayout& layout);
    /// "Standaardindeling": back to the definition's layout (and forgets the remembered one).
    void RestoreDefinedLayout();

    // What the controls do, callable on their own (keyboard users and tests go through these).
    /// Moves a dimension into a zone before `position` (counted before the move).
    void MoveDimension(int dimension, TCubeZone zone, int position);
    /// The filter popup of a dimension; applies the members kept when the user chooses OK.
    void EditFilter(int dimension);
    /// A column's width set by hand (the grid's edge dragged): a heading column's own, or every
    /// value column of the same measure; remembered per statistic, forgotten by "Standaardindeling".
    void ResizeColumn(int column, int width);
    /// Sorts the rows by the values of a column of the model (a measure in one line of the column
    /// axis); the same column again reverses the order.
    void SortRowsByColumn(int column);
    /// Keeps the members of a dimension that pass a value filter (a member filter from then on, shown
    /// and remembered as one); raises, changing nothing, when none passes.
    void ApplyValueFilter(const TValueFilter& filter);
    /// Collapses or expands the member whose heading starts at a cell of the model.
    void ToggleMemberAt(int row, int column);
    /// The context menu of a cell of the grid (copy, details, collapse and expand).
    std::unique_ptr<QMenu> CellMenu(int row, int column);
    /// The source rows of a value cell of the model in a dialog (not yet shown).
    std::unique_ptr<TDrillThroughDialog> DrillThroughDialog(int row, int column);
    /// The dimensions in the "Filters" zone.
    const std::vector<int>& FilterZone() const { return filterZone_; }

    TPivotGrid* Grid() const { return grid_; }
    TCubeFieldList* FieldList() const { return fieldList_; }
    TBarChart* Chart() const { return chart_; }
    QComboBox* ChartMeasure() const { return chartMeasure_; }
    /// Row totals, or series by the column field side by side or stacked (TChartArrangement).
    QComboBox* ChartSeries() const { return chartSeries_; }
    /// The chart, filled anew first when the layout changed since it was last shown.
    TBarChart* FreshChart();
    QComboBox* ShowAs() const { return showAs_; }
    QTabWidget* Pages() const { return pages_; }

private:
    const TPivot& shown() const;
    QToolBar* createToolBar();
    QAction* addAction(const QString& name, const QString& text, bool checkable);
    void fillSortMenu();
    void syncControls();
    void showFilterNote();
    QString emptyText() const;
    void showPivot();
    void fillChart();
    void showChartData(const TPivotChartData& data, TBarStacking stacking);
    void changeLayout(const std::function<void(TPivotLayout&)>& change);
    void rememberLayout(const TPivotLayout& layout);
    void rememberWidths();
    TPivotColumnWidths rememberedWidths(const TCube& cube) const;
    void forgetLayout();
    std::optional<TPivotLayout> rememberedLayout(const TCube& cube) const;
    void apply(const TPivotLayout& layout, std::vector<int> filterZone);
    void clearCube();
    void openDrillThrough(int row, int column);
    void exportTo(const QString& kind);
    QString title() const;
    QStringList printedContext() const;

    TOLAPDefinition definition_;
    TVornIniFile* settings_ = nullptr;
    QString statisticKey_;
    TVornClientDataSet* dataSet_ = nullptr;
    std::shared_ptr<const TCube> cube_;
    std::unique_ptr<TPivot> pivot_;
    std::unique_ptr<TPivotTableModel> model_;
    std::vector<std::uint32_t> builtOrder_; // the dataset's order when the cube was built
    std::vector<int> filterZone_;
    std::function<TResultHeading()> headingSource_;
    TPivotColumnWidths widths_;
    bool filtersRestored_ = false; // the shown filters came from the remembered layout
    bool syncing_ = false;
    bool chartStale_ = true;

    QTabWidget* pages_;
    TPivotGrid* grid_;
    QLabel* filterNote_;
    TCubeFieldList* fieldList_;
    TBarChart* chart_;
    QScrollArea* chartScroll_;
    QComboBox* chartMeasure_;
    QComboBox* chartSeries_;
    QLabel* chartNote_;
    QComboBox* showAs_ = nullptr;
    QComboBox* showAsField_ = nullptr;
    QAction* showAsFieldAction_ = nullptr;
    QMenu* sortMenu_ = nullptr;
};

} // namespace vorn
