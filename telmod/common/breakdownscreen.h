#pragma once

#include "host/controls/actions.h"
#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/forms/vornform.h"

#include <QRect>
#include <vector>

namespace telmod {

/// Where the top bar's right-hand controls sit in a screen's design.
struct TopBarLayout {
    int designWidth;
    int height;
    QRect view;  // CBView, anchored right
    QRect fetch; // BFetch, anchored right
};

/// The institution choice at the top of a statistics screen: its caption "&Instelling", the lookup
/// over the institution list, and the label that names the chosen institution.
struct InstitutionChoice {
    vorn::TVornLabel* caption;
    vorn::TVornLookupEdit* lookup;
    vorn::TVornLabel* name;
};
InstitutionChoice BuildInstitutionChoice(vorn::TVornPanel* panel, vorn::TVornDatasource* list);

/// Declares the institution list of a statistics screen (provider "DSPSelectIS").
void DeclareInstitutionList(vorn::TVornClientDataSet& list, bool autoOpen);

/// Declares the institution list of a screen, registers it and makes its data source the screen's
/// main data source.
void AttachInstitutionList(vorn::TVornDBForm& screen, vorn::TVornClientDataSet& list,
                           vorn::TVornDatasource& source, bool autoOpen);

/// Lets the institution lookup list the rows of the master browse screen's data source instead of
/// the screen's own list, which then follows no master and is no longer the main data source.
void UseMasterInstitutionList(vorn::TVornDBForm& screen, vorn::TVornLookupEdit& lookup,
                              vorn::TVornClientDataSet& ownList, QObject* masterDataSource);

/// Sets the parameters IS_ID and WerkDatum (the first of each name) where the dataset has them, and
/// opens it.
void OpenForInstitutionOnDate(vorn::TVornClientDataSet& dataSet, int institution, vorn::TDateTime date);

/// One breakdown of a screen: its grid page and its chart page.
struct BreakdownPages {
    QString gridTab;
    vorn::TVornDatasource* source;
    std::vector<vorn::TGridColumn> columns;
    QString chartTab;
    QString chartCaption;
    int chartHeight;
};

struct BreakdownViews {
    vorn::TVornPageControl* PCViews;
    vorn::TVornPageControl* PCGrids;
    vorn::TVornPageControl* PCStats;
    std::vector<vorn::TVornDBgrid*> grids;
    std::vector<vorn::TBarChart*> charts;
};

/// Page 0 holds the grids, page 1 the charts (each in a scroll box); the outer tabs are hidden and
/// the charts page shows first.
BreakdownViews BuildBreakdownViews(const std::vector<BreakdownPages>& pages);

/// Fills a chart from a dataset's rows between BeginUpdate and EndUpdate with the dataset's controls
/// suspended; the chart grows to `rowHeight` a bar and never shrinks. Both are restored on failure.
void FillBreakdownChart(vorn::TBarChart& chart, vorn::TVornClientDataSet& dataSet, const QString& labelFields,
                        const QString& valueField, int rowHeight, bool fromFirstRow);

} // namespace telmod
