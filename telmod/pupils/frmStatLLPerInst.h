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
#include <memory>

namespace telmod {

/// Pupils of an institution on a date, counted by the server in eight breakdowns, shown as grids
/// and as blue bar charts.
class TStatLLPerInstellingForm : public TInstitutionDateForm {
    Q_OBJECT
public:
    static constexpr int Breakdowns = 8;

    explicit TStatLLPerInstellingForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();

    // View area.
    vorn::TVornPageControl* PCGrids;
    vorn::TVornPageControl* PCStats;

    // Datasets.
    std::array<std::unique_ptr<vorn::TVornClientDataSet>, Breakdowns> Results;
    std::array<vorn::TVornDatasource*, Breakdowns> ResultSources{};
    std::array<vorn::TVornDBgrid*, Breakdowns> Grids{};

    // Screen state.
    QString LastSchooljaar;
    int SchooljaarId = 0;
    std::array<vorn::TVornClientDataSet*, Breakdowns> FDatasets{};
    std::array<vorn::TBarChart*, Breakdowns> FBarCharts{};
    std::array<QString, Breakdowns> FLabelFields;

    void VornDBFormCreate(QObject* sender);
    void AFetchExecute(QObject* sender) override;
    std::vector<TComparedPage> ComparedPages(vorn::TDateTime other) const override;
    void VornDBFormGetPrintParams(QObject* sender, const QString& report, QStringList& params);
    void CloseDatasets();
    void OpenDatasets();
    int GetSchooljaarID(int number);
    void FillCharts();

private:
    void buildDatasets();
    void buildViews();
};

} // namespace telmod
