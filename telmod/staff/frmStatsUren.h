#pragma once

#include "host/controls/actions.h"
#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/data/clientdataset.h"
#include "host/forms/formmanager.h"
#include "host/forms/vornform.h"
#include "telmod/common/institutionscreen.h"

#include <array>

namespace telmod {

/// Hours organised in staff posts 6 and 7 on a date, per official subject and per subject and grade,
/// with the effective hours (hours minus TBSOB hours) worked out on the client.
class TStatsPSUrenForm : public TInstitutionDateForm {
    Q_OBJECT
public:
    explicit TStatsPSUrenForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();

    vorn::TVornPageControl* PCGrids;
    vorn::TVornPageControl* PCStats;
    vorn::TVornDBgrid* GPerVak;
    vorn::TVornDBgrid* GPerVakGraad;
    vorn::TBarChart* BCPerVak;
    vorn::TBarChart* BCPerVakGraad;

    vorn::TVornParamClientDataset CDSselectRubricering{QStringLiteral("CDSselectRubricering"),
                                                       QStringLiteral("OVRU")};
    vorn::TVornDatasource* DSselectRubricering;
    vorn::TVornClientDataSet CDSPerVak{QStringLiteral("CDSPerVak")};
    vorn::TVornDatasource* DSPerVak;
    vorn::TVornClientDataSet CDSPerVakGraad{QStringLiteral("CDSPerVakGraad")};
    vorn::TVornDatasource* DSPerVakGraad;

    std::array<vorn::TVornClientDataSet*, 2> FDatasets{};
    std::array<vorn::TBarChart*, 2> FBarCharts{};
    std::array<QString, 2> FLabelFields;

    void VornDBFormCreate(QObject* sender);
    void AFetchExecute(QObject* sender) override;
    std::vector<TComparedPage> ComparedPages(vorn::TDateTime other) const override;
    QString ChartFigure(std::size_t page) const override;
    void CDSPerVakCalcFields(vorn::TVornClientDataSet& dataSet);
    void CDSPerVakGraadCalcFields(vorn::TVornClientDataSet& dataSet);
    void CloseDatasets();
    void OpenDatasets();
    void FillCharts();

private:
    void declareHours(vorn::TVornClientDataSet& dataSet, bool withGrade);
};

} // namespace telmod
