#pragma once

#include "categories.h"
#include "selectstatdialog.h"
#include "statistic.h"

#include "telmod/common/screencomparison.h"

#include "host/controls/actions.h"
#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/data/clientdataset.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"

#include <QToolButton>
#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace telmod {

/// A keyword of a report description and the item of the selection dialog it stands for.
struct KeywordRule {
    const char* keyword;
    int item;
};
/// The item of the first rule whose keyword occurs in the description (letter case ignored), or -1.
int ItemByKeyword(const QString& description, const std::vector<KeywordRule>& rules);

/// The print table of a regime (provider "DSPOSPPrintStats" or "DSPVWOPrintStats"): rows of the
/// server's job table under the parameter JobID. Without credit hours the field J_INTEGER8 carries
/// no label, origin or provider flags.
void DeclarePrintTable(vorn::TVornClientDataSet& print, const QString& provider, bool creditHours);

/// One category of a participant screen: its grid page and its chart page.
struct CategoryPage {
    const char* gridPage;
    const char* gridCaption;
    const char* grid;
    const char* view;
    const char* dataSource;
    const char* table;
    const char* chartPage;
    const char* chartCaption; // the chart page's caption
    const char* scrollBox;
    const char* chart;
    const char* chartTitle;
    bool titleShown = false;
    bool chartTabHidden = false;
    std::vector<vorn::TGridColumn> columns = {};
};

/// How the top bar of a regime differs.
struct ParticipantTopBar {
    bool dateButtons;    // clear and today buttons on the date edits
    int dateWidth;       // of each date edit; the controls after it shift with it
    int statTypeLeft;    // left of CBStatType
    int statTypeRows;    // drop-down rows of CBStatType
    QStringList figures; // the items of CBStatType, in the order of the statistic types
};

/// What the OSP and VWO participant screens share: institution, period, view switch, figure choice,
/// fetch action, the grid and chart pages of the categories, the totals line and the view settings.
/// Each regime supplies its data sets, its counting pass and its category lists.
class TParticipantStatsForm : public vorn::TVornDBForm, public vorn::TControlResults {
    Q_OBJECT
public:
    // Top bar.
    vorn::TVornPanel* PTop;
    vorn::TVornLabel* LLEinstelling;
    vorn::TVornLookupEdit* LEinstelling;
    vorn::TVornLabel* LInstelling;
    vorn::TVornLabel* LEVanafDatum;
    vorn::TVornDateEdit* EVanafDatum;
    vorn::TVornLabel* LETotDatum;
    vorn::TVornDateEdit* ETotDatum;
    vorn::TVornCheckBox* CBView;
    vorn::TVornComboBox* CBStatType;
    vorn::TVornButton* BFetch;
    vorn::TVornActionList* ActionList1;
    vorn::TVornAction* AFetch;
    /// "Vergelijken met": the other period the figures are set against.
    TComparisonBar* Comparison;
    /// "Periode": a menu of often used periods (PeriodPresets around today) that fills both dates.
    QToolButton* BPeriodes;

    // View area and totals.
    vorn::TVornPageControl* PCViews;
    vorn::TVornPageControl* PCGrids;
    vorn::TVornPageControl* PCStats;
    std::vector<vorn::TVornDBgrid*> Grids;
    std::vector<vorn::TBarChart*> Charts;
    vorn::TVornLabel* PTotalen;

    // Data sets shared by both regimes.
    vorn::TVornClientDataSet CDSSelectInstelling{QStringLiteral("CDSSelectInstelling")};
    vorn::TVornDatasource* DSSelectInstelling;
    vorn::TVornClientDataSet CDSAllStats{QStringLiteral("CDSAllStats")};
    vorn::TVornClientDataSet CDSKLassen{QStringLiteral("CDSKLassen")};
    vorn::TVornCachedClientDataSet CDSVrijstellingInschrijvingsgeld{
        QStringLiteral("CDSVrijstellingInschrijvingsgeld")};
    vorn::TVornClientDataSet CDSVestiging{QStringLiteral("CDSVestiging")};
    /// The category tables behind the grids, in page order.
    std::vector<std::unique_ptr<vorn::TVornClientDataSet>> CategoryTables;

    // Screen state.
    int FISID = -1;
    int FSCID = 0;
    vorn::TDateTime FVanaf = vorn::NoDate;
    vorn::TDateTime FTot = vorn::NoDate;
    int FJobID = -1;
    int FOtherJobID = -1; // the other period's rows of a compared print
    TLesplaatsen FLesplaatsen;
    /// The other period's rows and the compared rows the grids show while a comparison is on.
    TScreenComparison FComparison;
    /// The school years of a trend ("verloop") while one is shown.
    TScreenTrend FTrend;
    /// The other period of the comparison shown, which a print sets beside the screen's own.
    std::optional<TDateSpan> FComparedWith;

    // Handlers.
    void VornDBFormCreate(QObject* sender);
    void VornDBFormSetMasterBrowser(QObject* sender, QObject* masterDataSource);
    static void Noedits(vorn::TVornClientDataSet* dataSet, bool& allowed);
    void LEinstellingChange(QObject* sender);
    void EVanafDatumChange(QObject* sender);
    void ETotDatumChange(QObject* sender);
    void TellWhereThePeriodEnds();
    /// Puts the period menu at `left` on the period's line; each screen puts it last in its tab order.
    void PlacePeriodPresets(int left);
    void FillPeriodMenu(QMenu& menu);
    void AFetchUpdate(QObject* sender);
    void AFetchExecute(QObject* sender);
    void CBViewClick(QObject* sender);
    void CBStatTypeChange(QObject* sender);
    void VornDBFormSaveSettings(vorn::TVornIniFile& settings);
    void VornDBFormRestoreSettings(vorn::TVornIniFile& settings);

    // Printing: one category list written to the print table under the screen's job id.
    void VornDBFormBeforePrint(QObject* sender, QString& description, bool& permission);
    std::int32_t SavePrintStats(vorn::TIDList& list);
    /// Writes the other period's rows of the page of `list` under a job of their own.
    void SaveComparedPrintStats(const vorn::TIDList& list);
    /// The print parameters of one period, each name with `prefix` ("VGL_" for the other period).
    void AddPeriodParams(QStringList& params, const QString& prefix, const TDateSpan& span, int jobId) const;
    void VornDBFormGetPrintParams(QObject* sender, const QString& report, QStringList& params);
    void VornDBFormAfterPrint(QObject* sender, const QString& report, const QStringList& params);
    /// Asks the user which list to print; null when the dialog is not closed with OK.
    vorn::TIDList* SelectStatistiek();
    /// The list the description names by keyword, or null.
    vorn::TIDList* ListByKeyword(const QString& description) const;

    // Screen operations.
    virtual void ClearStats() = 0;
    virtual void CloseDatasets() = 0;
    virtual void OpenDatasets() = 0;
    virtual void FillCharts() = 0;
    void CheckView();
    void DisplayCharts();
    /// Fetches and counts the period `span` (the screen's own period stays as chosen).
    void FetchAndCount(const TDateSpan& span);
    /// The grids and charts as they are compared with the period `other`.
    std::vector<TComparedPage> ComparedPages(const TDateSpan& other) const;
    /// Shows the compared rows, paired bars and totals after both periods are counted.
    void ShowComparison(const TDateSpan& other);
    /// Fetches the earlier school years of a trend, then the screen's own period, and shows it.
    void FetchTrend(const TDateSpan& own);
    /// The totals line from the sums of a category table.
    virtual void DisplayTotalen(vorn::TVornClientDataSet& table);

    /// The figure the charts show: the chosen item, or the first while none is chosen.
    int ChosenFigure() const;
    vorn::TVornClientDataSet& CategoryTable(const char* name) const;

    vorn::IScreenResults* Results() override { return this; }

protected:
    /// The regime's printing: its print table, its keywords, the list behind each item of its
    /// selection dialog, the dialog, the job kind that CleanJob removes, whether the school year id is
    /// a print parameter, and the credit hours it writes.
    virtual vorn::TVornClientDataSet& PrintTable() = 0;
    virtual const std::vector<KeywordRule>& KeywordRules() const = 0;
    virtual vorn::TIDList* ListOfItem(int item) const = 0;
    virtual std::unique_ptr<TSelectStatForm> CreateSelectDialog() = 0;
    virtual int PrintJobKind() const = 0;
    virtual bool PrintsSchoolYearId() const = 0;
    virtual std::int32_t CreditHoursOf(const TParticipantStatistic& statistic) const = 0;
    /// The category table's field of each figure of CBStatType, in its order.
    virtual QStringList FigureFields() const = 0;
    /// The category list shown on each page, in page order.
    virtual std::vector<vorn::TIDList*> pageLists() const = 0;

    TParticipantStatsForm(QWidget* parent, const ParticipantTopBar& topBar,
                          const std::vector<CategoryPage>& pages);

    /// The regime's category lists, created in the regime's order.
    virtual void CreateCategoryLists() = 0;
    /// Redraws the chart of one page with a figure.
    virtual void ShowPageChart(int page, int figure) = 0;
    /// Adds a column for every field of each category table that has none yet.
    void CompleteGridColumns();
    /// The totals text from the sums: "label: sum" for each, four blanks apart. `replace` may answer
    /// the text for an aggregate itself (the VWO person counts).
    using TotalsHook = std::function<bool(const QString& label, QString& text)>;
    void WriteTotals(vorn::TVornClientDataSet& table, const TotalsHook& replace);
    QString ChartCaptionOf(int page, int figure) const;
    vorn::TResultControls ResultControls() const override;

private:
    void buildTopBar(const ParticipantTopBar& topBar);
    void placeTopBar(const ParticipantTopBar& topBar);
    void buildPages(const std::vector<CategoryPage>& pages);
    void connectHandlers();
};

/// The per-branch grid declares four columns of its own, which its category table does not fill.
std::vector<vorn::TGridColumn> BranchColumns();
/// The branch list of an institution (provider "DSPBrowseVestigingsPlaats").
void DeclareBranchList(vorn::TVornClientDataSet& branches);
/// Branches are named by their code and name.
NameList BranchNames(vorn::TVornClientDataSet& branches);

/// Sets the three parameters of a period data set and opens it.
void OpenForPeriod(vorn::TVornClientDataSet& dataSet, const QString& idParam, int id, vorn::TDateTime from,
                   vorn::TDateTime to);

} // namespace telmod
