#pragma once

#include "host/controls/actions.h"
#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/data/clientdataset.h"
#include "host/forms/formmanager.h"
#include "host/forms/vornform.h"

#include <array>

namespace telmod {

/// Hours organised in staff posts 6 and 7 on a date, per official subject and per subject and grade,
/// with the effective hours (hours minus TBSOB hours) worked out on the client.
class TStatsPSUrenForm : public vorn::TVornDBForm {
    Q_OBJECT
public:
    explicit TStatsPSUrenForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();

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
    vorn::TVornPageControl* PCViews;
    vorn::TVornPageControl* PCGrids;
    vorn::TVornPageControl* PCStats;
    vorn::TVornDBgrid* GPerVak;
    vorn::TVornDBgrid* GPerVakGraad;
    vorn::TBarChart* BCPerVak;
    vorn::TBarChart* BCPerVakGraad;

    vorn::TVornClientDataSet CDSSelectInstelling{QStringLiteral("CDSSelectInstelling")};
    vorn::TVornDatasource* DSSelectInstelling;
    vorn::TVornParamClientDataset CDSselectRubricering{QStringLiteral("CDSselectRubricering"),
                                                       QStringLiteral("OVRU")};
    vorn::TVornDatasource* DSselectRubricering;
    vorn::TVornClientDataSet CDSPerVak{QStringLiteral("CDSPerVak")};
    vorn::TVornDatasource* DSPerVak;
    vorn::TVornClientDataSet CDSPerVakGraad{QStringLiteral("CDSPerVakGraad")};
    vorn::TVornDatasource* DSPerVakGraad;

    int FISID = -1;
    vorn::TDateTime FDate = vorn::NoDate;
    std::array<vorn::TVornClientDataSet*, 2> FDatasets{};
    std::array<vorn::TBarChart*, 2> FBarCharts{};
    std::array<QString, 2> FLabelFields;

    void VornDBFormCreate(QObject* sender);
    void VornDBFormSetMasterBrowser(QObject* sender, QObject* masterDataSource);
    void LEinstellingChange(QObject* sender);
    void DEDateChange(QObject* sender);
    void AFetchUpdate(QObject* sender);
    void AFetchExecute(QObject* sender);
    void CBViewClick(QObject* sender);
    void CDSPerVakCalcFields(vorn::TVornClientDataSet& dataSet);
    void CDSPerVakGraadCalcFields(vorn::TVornClientDataSet& dataSet);
    void CloseDatasets();
    void OpenDatasets();
    void FillCharts();

private:
    void declareHours(vorn::TVornClientDataSet& dataSet, bool withGrade);
};

} // namespace telmod
