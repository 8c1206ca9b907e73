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
#include "telmod/staff/populationcount.h"

#include <array>
#include <memory>
#include <vector>

namespace telmod {

/// The staff of an institution on a date by age band and sex, counted on the client; the band width
/// can be changed after a fetch and the rows already fetched are counted again.
class TStatsPSPopulatieForm : public TInstitutionDateForm {
    Q_OBJECT
public:
    explicit TStatsPSPopulatieForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();

    vorn::TVornLabel* Label1;
    vorn::TVornSpinEdit* SEScale;
    vorn::TVornPageControl* PCGrids;
    vorn::TVornPageControl* PCStats;
    vorn::TVornDBgrid* GPerVak;
    vorn::TBarChart* BCPerLeeftijd;
    vorn::TBarChart* BCPerGeslacht;
    vorn::TBarChart* BCPerGeslachtLeeftijd;

    vorn::TVornClientDataSet CDSPopulatie{QStringLiteral("CDSPopulatie")};
    vorn::TVornDatasource* DSPopulatie;

    std::array<vorn::TVornClientDataSet*, 3> FDatasets{};
    std::array<vorn::TBarChart*, 3> FBarCharts{};

    void VornDBFormCreate(QObject* sender);
    void AFetchExecute(QObject* sender) override;
    std::vector<vorn::TBarChart*> ComparedCharts() const override;
    QString ComparisonRemark() const override;
    void SEScaleChange(QObject* sender);
    int designedHeight(const vorn::TBarChart& chart) const;
    void CloseDatasets();
    void OpenDatasets();
    void FillCharts();

    static QString BandKey(int age, int scale) { return AgeBandKey(age, scale); }

protected:
    vorn::TResultControls ResultControls() const override;
};

} // namespace telmod
