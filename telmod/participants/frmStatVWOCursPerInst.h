#pragma once

#include "participantscreen.h"
#include "regime.h"
#include "statistic.h"

#include "host/data/idlist.h"
#include "host/forms/formmanager.h"

#include <QString>
#include <cstdint>

namespace telmod {

namespace vwo {

/// The figures a statistic reports; the ordinal is the index of the figure in the screen's combo box.
enum TStatType : std::uint8_t {
    stCount,
    stFinCount,
    stNotFinCount,
    stPersoonCount,
    stManCount,
    stVrouwCount,
    stC98,
    stlesurencursist
};
constexpr int StatTypeCount = 8;

/// The counts of one category value (VWO regime): enrolments, financeable or not, distinct persons,
/// men (women are persons minus men), C98 persons and lesson hours.
class TStatistic : public TParticipantStatistic {
public:
    static constexpr bool HasCreditHours = false;

    /// Counts one enrolment row. A row without person (LLID 0) counts nothing.
    void IncCounts(std::int32_t LLID, std::int32_t LUC, bool Fin, bool Man, bool C98);
    /// The figure of that type; 0 for a value outside the enumeration.
    std::int32_t GetTypeCount(int statType) const;
};

} // namespace vwo

/// Course participants (VWO) of an institution over a period, counted per class, module variant,
/// module variant as set up, module, training variant, training, fee rate, branch and teaching location.
class TStatVWOCursistenPerInstellingForm : public TParticipantStatsForm {
    Q_OBJECT
public:
    explicit TStatVWOCursistenPerInstellingForm(QWidget* parent = nullptr);
    ~TStatVWOCursistenPerInstellingForm() override;
    static const vorn::TFormClass& Class();

    vorn::TVornLabel* LLEReferteperiode;
    vorn::TVornLookupEdit* LEReferteperiode;

    vorn::TVornClientDataSet CDSSelectReferteperiode{QStringLiteral("CDSSelectReferteperiode")};
    vorn::TVornDatasource* DSSelectReferteperiode;
    vorn::TVornClientDataSet CDSModulevarianten{QStringLiteral("CDSModulevarianten")};
    vorn::TVornClientDataSet CDSModules{QStringLiteral("CDSModules")};
    vorn::TVornClientDataSet CDSOpleidingen{QStringLiteral("CDSOpleidingen")};
    vorn::TVornClientDataSet CDSOpleidingsvarianten{QStringLiteral("CDSOpleidingsvarianten")};
    vorn::TVornClientDataSet CDSIngModuleVariant{QStringLiteral("CDSIngModuleVariant")};
    vorn::TVornClientDataSet CDSPrint{QStringLiteral("CDSPrint")};

    std::unique_ptr<vorn::TIDList> FKlasStats, FModuleStats, FModulevariantStats, FIngModulevariantStats,
        FOpleidingStats, FOpleidingsvariantStats, FTarievenStats, FLesplaatsStats, FVestigingStats;

    void LErefertechange(QObject* sender);
    void ClearStats() override;
    void CloseDatasets() override;
    void OpenDatasets() override;
    void FillCharts() override;
    /// The counting pass: every enrolment row counted in each category.
    void CountEnrolments();
    void FillDatasets();
    /// The OSP totals, but with persons, men and women counted once each over all enrolment rows
    /// (counted with the categories).
    void DisplayTotalen(vorn::TVornClientDataSet& table) override;

    vwo::TStatistic* GetKlasStat(std::int32_t id);
    vwo::TStatistic* GetModuleStat(std::int32_t id);
    vwo::TStatistic* GetModulevariantStat(std::int32_t id);
    vwo::TStatistic* GetIngModuleVariantStat(std::int32_t id);
    /// Null for the id 0: an enrolment without training is not counted per training.
    vwo::TStatistic* GetOpleidingStat(std::int32_t id);
    /// Null for the id 0.
    vwo::TStatistic* GetOpleidingsvariantStat(std::int32_t id);
    /// Null for the id 0.
    vwo::TStatistic* GetTariefStat(std::int32_t id);
    vwo::TStatistic* GetVestigingStat(std::int32_t id);
    vwo::TStatistic* GetLesplaatsStat(std::int32_t id);

protected:
    vorn::TVornClientDataSet& PrintTable() override { return CDSPrint; }
    const std::vector<KeywordRule>& KeywordRules() const override;
    vorn::TIDList* ListOfItem(int item) const override;
    std::unique_ptr<TSelectStatForm> CreateSelectDialog() override;
    int PrintJobKind() const override { return 327; }
    bool PrintsSchoolYearId() const override { return false; }
    std::int32_t CreditHoursOf(const TParticipantStatistic& statistic) const override;
    QStringList FigureFields() const override;
    std::vector<vorn::TIDList*> pageLists() const override;
    void CreateCategoryLists() override;
    void ShowPageChart(int page, int figure) override;

private:
    void declareDatasets();
    void declareReferencePeriods();
    void releaseCategoryLists();
    TPersonTotals FPersonTotals;
    NameList klassen_, modules_, modulevarianten_, ingModulevarianten_, opleidingen_, opleidingsvarianten_,
        tarieven_, vestigingen_;
};

/// The VWO regime's categories, in the order of the selection dialog's items.
const TRegime<TStatVWOCursistenPerInstellingForm, vwo::TStatistic>& VwoCategories();

} // namespace telmod
