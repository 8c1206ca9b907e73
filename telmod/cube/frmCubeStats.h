#pragma once

#include "host/data/clientdataset.h"
#include "host/data/datasource.h"
#include "host/data/inifile.h"
#include "host/forms/formmanager.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"

#include <memory>

namespace vorn {
class TOLAPFrame;
class TVornAction;
class TVornActionList;
class TVornButton;
class TVornLabel;
class TVornLookupEdit;
class TVornMemo;
class TVornPanel;
} // namespace vorn

namespace telmod {

/// The bits of a stored statistic's L_FLAGS that say which kinds of institution it is for; a
/// statistic with none of them is for every kind.
constexpr int StatisticForSecondary = 0x1;
constexpr int StatisticForOsp = 0x2;
constexpr int StatisticForVwo = 0x4;
/// "CVO", "secundair onderwijs, VWO", ... or "alle instellingen".
QString StatisticKindText(int flags);

/// A stored cube statistic of one institution: its query, with the parameters filled from the
/// institution and the work date, fetched through "DSPReports" and pivoted in the host's cube viewer.
class TOLAPStatsForm : public vorn::TVornDBForm, public vorn::IScreenResults {
    Q_OBJECT
public:
    explicit TOLAPStatsForm(QWidget* parent = nullptr);
    ~TOLAPStatsForm() override;
    static const vorn::TFormClass& Class();

    vorn::TVornPanel* PTop;
    vorn::TVornLabel* LLEInstelling;
    vorn::TVornLookupEdit* LEInstelling;
    vorn::TVornLabel* LInstelling;
    vorn::TVornButton* BShow;
    vorn::TVornLabel* LLEOlap;
    vorn::TVornLookupEdit* LEOlap;
    vorn::TVornLabel* LOLAP;
    vorn::TVornButton* BDescr;
    vorn::TVornMemo* Muitleg;
    vorn::TOLAPFrame* FOLAP;
    vorn::TVornActionList* VornActionList1;
    vorn::TVornAction* AShow;
    vorn::TVornAction* AClear;

    vorn::TVornClientDataSet CDSOLAP{QStringLiteral("CDSOLAP")};
    vorn::TVornClientDataSet CubeData{QStringLiteral("CubeData")};
    vorn::TVornClientDataSet CDSSelectInstelling{QStringLiteral("CDSSelectInstelling")};
    /// The pivot as shown as one flat table, made when the results contract is asked for it.
    mutable vorn::TVornClientDataSet CDSPivot{QStringLiteral("CDSPivot")};
    vorn::TVornDatasource* DSOLAP;
    vorn::TVornDatasource* DSSelectInstelling;

    std::int32_t FOID = 0;
    std::int32_t FISID = 0;
    std::int32_t FSCID = 0;

    void VornDBFormSetMasterBrowser(QObject* sender, QObject* dataSource);
    void LEInstellingChange(QObject* sender);
    void LEOlapChange(QObject* sender);
    void BDescrClick(QObject* sender);
    void AShowUpdate(QObject* sender);
    void AShowExecute(QObject* sender);
    void AClearExecute(QObject* sender);
    void VornDBFormBeforePrint(QObject* sender, const QString& reportName, bool& continuePrinting);

    void ShowStats();
    void HideCube();
    void ReOpenDataset();

    // The results contract: an institution and a statistic (by its code) are chosen; the figures are
    // the pivot as the statistic's definition lays it out.
    vorn::IScreenResults* Results() override { return this; }
    vorn::TScreenInputs Inputs() const override;
    QStringList InstitutionCodes() const override;
    void SetRequest(const vorn::TScreenRequest& request) override;
    void Fetch() override;
    std::vector<vorn::TResultTable> Tables() const override;
    std::vector<vorn::TResultSeries> Series() const override;
    QString Totals() const override;
    vorn::TResultHeading Heading() const override;

private:
    vorn::TResultHeading statisticHeading() const;
    void declareDataSets();
    void buildTopPanel();
    void layOut();
    void bindHandlers();
    /// The statistic chosen in the list of stored statistics, if it is there.
    bool locateStatistic();
    std::unique_ptr<vorn::TVornIniFile> settings_;
};

} // namespace telmod
