#pragma once

#include "participantscreen.h"
#include "regime.h"
#include "statistic.h"

#include "host/data/idlist.h"
#include "host/forms/formmanager.h"

#include <QString>
#include <cstdint>

namespace telmod {

namespace osp {

/// The figures a statistic reports; the ordinal is the index of the figure in the screen's combo box.
enum TStatType : std::uint8_t {
    stCount,
    stFinCount,
    stNotFinCount,
    stPersoonCount,
    stManCount,
    stVrouwCount,
    stkredietUren,
    stC98,
    stlesurencursist
};
constexpr int StatTypeCount = 9;

/// The counts of one category value (OSP regime): enrolments, financeable or not, distinct persons,
/// men (women are persons minus men), C98 persons, credit-hour requests and lesson hours.
class TStatistic : public TParticipantStatistic {
public:
    static constexpr bool HasCreditHours = true;

    /// Empties the person list and zeroes every counter; id, code and description stay.
    void Reset();
    /// Counts one enrolment row. A person id 0 is an id like any other.
    void IncCounts(std::int32_t LLID, std::int32_t LUC, bool Fin, bool Man, bool AKU, bool C98);
    /// Adds the figures the counting pass gathered, credit-hour requests included.
    void AddCounted(const TTally& tally);
    /// The figure of that type; 0 for a value outside the enumeration.
    std::int32_t GetTypeCount(int statType) const;

    std::int32_t KredietUrenCount() const { return FKredietUren; }
    void SetKredietUrenCount(std::int32_t value) { FKredietUren = value; }

private:
    std::int32_t FKredietUren = 0;
};

} // namespace osp

/// Course participants (OSP) of an institution over a period, counted per class, unit, administrative
/// group, training, study area, exemption type, branch and teaching location.
class TStatCursistenPerInstellingForm : public TParticipantStatsForm {
    Q_OBJECT
public:
    explicit TStatCursistenPerInstellingForm(QWidget* parent = nullptr);
    ~TStatCursistenPerInstellingForm() override;
    static const vorn::TFormClass& Class();

    vorn::TVornButton* BHuidigSchooljaar;
    vorn::TVornAction* ASchooljaar;

    vorn::TVornClientDataSet CDSEenheden{QStringLiteral("CDSEenheden")};
    vorn::TVornClientDataSet CDSAdmGroepen{QStringLiteral("CDSAdmGroepen")};
    vorn::TVornClientDataSet CDSOpleidingen{QStringLiteral("CDSOpleidingen")};
    vorn::TVornParamClientDataset CDSStudiegebied{QStringLiteral("CDSStudiegebied"), QStringLiteral("STGB")};
    vorn::TVornClientDataSet CDSPrint{QStringLiteral("CDSPrint")};

    std::unique_ptr<vorn::TIDList> FKlasStats, FEenheidStats, FAdmGroepStats, FOpleidingStats,
        FStudiegebiedStats, FVrijstellingIGStats, FVestigingStats, FLesplaatsStats;

    void ASchooljaarExecute(QObject* sender);
    void ClearStats() override;
    void CloseDatasets() override;
    void OpenDatasets() override;
    void FillCharts() override;
    /// The counting pass: every enrolment row counted in each category.
    void CountEnrolments();
    void FillDatasets();

    osp::TStatistic* GetKlasStat(std::int32_t id);
    osp::TStatistic* GetAdmGroepStat(std::int32_t id);
    osp::TStatistic* GetOffEenheidStat(std::int32_t id);
    osp::TStatistic* GetOpleidingStat(std::int32_t id);
    osp::TStatistic* GetStudiegebiedStat(std::int32_t id);
    osp::TStatistic* GetVrijstellingIGStat(std::int32_t id);
    osp::TStatistic* GetVestigingStat(std::int32_t id);
    osp::TStatistic* GetLesplaatsStat(std::int32_t id);

protected:
    vorn::TVornClientDataSet& PrintTable() override { return CDSPrint; }
    const std::vector<KeywordRule>& KeywordRules() const override;
    vorn::TIDList* ListOfItem(int item) const override;
    std::unique_ptr<TSelectStatForm> CreateSelectDialog() override;
    int PrintJobKind() const override { return 241; }
    bool PrintsSchoolYearId() const override { return true; }
    std::int32_t CreditHoursOf(const TParticipantStatistic& statistic) const override;
    QStringList FigureFields() const override;
    std::vector<vorn::TIDList*> pageLists() const override;
    void CreateCategoryLists() override;
    void ShowPageChart(int page, int figure) override;

private:
    void declareDatasets();
    void releaseCategoryLists();
    NameList klassen_, admGroepen_, eenheden_, opleidingen_, studiegebieden_, vrijstellingen_, vestigingen_;
};

/// The OSP regime's categories, in the order of the selection dialog's items.
const TRegime<TStatCursistenPerInstellingForm, osp::TStatistic>& OspCategories();

} // namespace telmod
