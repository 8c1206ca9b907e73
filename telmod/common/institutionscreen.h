#pragma once

#include "breakdownscreen.h"
#include "screencomparison.h"

#include "host/data/clientdataset.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"

namespace telmod {

/// What the pupil and staff screens share: the institution list and lookup, the reference date, the
/// view switch and the fetch action, with the handlers that keep the chosen institution and date.
class TInstitutionDateForm : public vorn::TVornDBForm, public vorn::TControlResults {
    Q_OBJECT
public:
    vorn::TVornPanel* PTop;
    vorn::TVornLabel* LLEinstelling;
    vorn::TVornLookupEdit* LEinstelling;
    vorn::TVornLabel* LInstelling;
    vorn::TVornLabel* LDEDate;
    vorn::TVornDateEdit* DEDate;
    vorn::TVornCheckBox* CBView;
    vorn::TVornButton* BFetch;
    vorn::TVornActionList* ActionList1;
    vorn::TVornAction* AFetch;
    vorn::TVornPageControl* PCViews = nullptr;
    /// "Vergelijken met": the other date the figures are set against; null on a screen that does
    /// not compare.
    TComparisonBar* Comparison = nullptr;

    vorn::TVornClientDataSet CDSSelectInstelling{QStringLiteral("CDSSelectInstelling")};
    vorn::TVornDatasource* DSSelectInstelling;

    int FISID = -1;
    vorn::TDateTime FDate = vorn::NoDate;

    void VornDBFormSetMasterBrowser(QObject* sender, QObject* masterDataSource);
    void LEinstellingChange(QObject* sender);
    void DEDateChange(QObject* sender);
    void AFetchUpdate(QObject* sender);
    void CBViewClick(QObject* sender);
    virtual void AFetchExecute(QObject* sender) = 0;
    /// The fetch action: the other date first when comparing, then the screen's own.
    void RunFetch(QObject* sender);

    vorn::IScreenResults* Results() override { return this; }

protected:
    /// `compares`: the top bar gets the comparison line under the date; `trend`: it offers a trend.
    TInstitutionDateForm(QWidget* parent, bool listAutoOpen, const TopBarLayout& layout,
                         bool compares = false, bool trend = true);
    /// The common part of creation: the work date in the date edit, no institution chosen.
    void StartOnWorkDate();
    /// The top bar above the view area, which fills the rest.
    void LayOut(vorn::TVornPageControl* views);
    vorn::TResultControls ResultControls() const override;
    /// The grids and charts as they are compared with the date `other`; none: the screen shows no
    /// comparison line.
    virtual std::vector<TComparedPage> ComparedPages(vorn::TDateTime other) const;
    /// Whether a class code of one date is the same class on the other: only within a school year.
    bool SameSchoolYear(vorn::TDateTime other) const;
    /// Charts the screen counts itself, compared bar by bar on their labels.
    virtual std::vector<vorn::TBarChart*> ComparedCharts() const { return {}; }
    /// What the note under the comparison line adds for this screen.
    virtual QString ComparisonRemark() const { return {}; }
    /// The chart's value field of a compared page (the figure its bars show).
    virtual QString ChartFigure(std::size_t page) const;
    /// Bars per pair of the compared charts.
    virtual int ComparedRowHeight() const { return 36; }
    /// Puts the comparison line's controls in the tab order after `previous`.
    void ChainComparisonTabOrder(QWidget* previous);
    /// The print parameters of the other date of the comparison shown (see ReadReportData): the date
    /// as `VGL_<dateName>`, its school year id as "VGL_SJ_ID"; none when no comparison is shown.
    void AddComparedPrintParams(QStringList& params, const QString& dateName) const;
    void SaveComparison(vorn::TVornIniFile& settings);
    void RestoreComparison(vorn::TVornIniFile& settings);

    TScreenComparison FComparison;
    TScreenTrend FTrend;
    /// The other date of the comparison shown.
    std::optional<vorn::TDateTime> FComparedWith;

private:
    void buildTopBar(const TopBarLayout& layout);
    void showComparison(vorn::TDateTime other);
    void fetchTrend(QObject* sender);
};

} // namespace telmod
