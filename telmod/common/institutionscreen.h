#pragma once

#include "breakdownscreen.h"

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

    vorn::IScreenResults* Results() override { return this; }

protected:
    TInstitutionDateForm(QWidget* parent, bool listAutoOpen, const TopBarLayout& layout);
    /// The common part of creation: the work date in the date edit, no institution chosen.
    void StartOnWorkDate();
    /// The top bar above the view area, which fills the rest.
    void LayOut(vorn::TVornPageControl* views);
    vorn::TResultControls ResultControls() const override;

private:
    void buildTopBar(const TopBarLayout& layout);
};

} // namespace telmod
