#pragma once

#include "participantscreen.h"

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
class TStatistic {
public:
    static constexpr bool HasCreditHours = true;

    TStatistic();
    virtual ~TStatistic();
    TStatistic(const TStatistic&) = delete;
    TStatistic& operator=(const TStatistic&) = delete;

    /// Empties the person list and zeroes every counter; id, code and description stay.
    void Reset();
    /// Counts one enrolment row. A person id 0 is an id like any other.
    void IncCounts(std::int32_t LLID, std::int32_t LUC, bool Fin, bool Man, bool AKU, bool C98);
    /// The figure of that type; 0 for a value outside the enumeration.
    std::int32_t GetTypeCount(int statType) const;
    std::int32_t GetPersoonCount() const;
    std::int32_t GetVrouwCount() const;
    /// Sets the men so that the women become `value`.
    void SetVrouwCount(std::int32_t value);

    std::int32_t SourceID() const { return FSourceID; }
    void SetSourceID(std::int32_t value) { FSourceID = value; }
    const QString& Code() const { return FCode; }
    void SetCode(const QString& value) { FCode = value; }
    const QString& Omschrijving() const { return Fomschrijving; }
    void SetOmschrijving(const QString& value) { Fomschrijving = value; }
    std::int32_t Count() const { return FCount; }
    void SetCount(std::int32_t value) { FCount = value; }
    std::int32_t PersoonCount() const { return GetPersoonCount(); }
    std::int32_t FinCount() const { return FFinCount; }
    void SetFinCount(std::int32_t value) { FFinCount = value; }
    std::int32_t NotFinNount() const { return FNotFinCount; }
    void SetNotFinNount(std::int32_t value) { FNotFinCount = value; }
    std::int32_t ManCount() const { return FManCount; }
    void SetManCount(std::int32_t value) { FManCount = value; }
    std::int32_t VrouwCount() const { return GetVrouwCount(); }
    std::int32_t KredietUrenCount() const { return FKredietUren; }
    void SetKredietUrenCount(std::int32_t value) { FKredietUren = value; }
    std::int32_t C98Count() const { return FCountC98; }
    void SetC98Count(std::int32_t value) { FCountC98 = value; }
    std::int32_t LesurenCursist() const { return FLesurenCursist; }
    void SetLesurenCursist(std::int32_t value) { FLesurenCursist = value; }

private:
    std::int32_t FFinCount = 0;
    std::int32_t FSourceID = 0;
    std::int32_t FNotFinCount = 0;
    std::int32_t FManCount = 0;
    std::int32_t FCount = 0;
    QString FCode;
    QString Fomschrijving;
    std::int32_t FCountC98 = 0;
    std::int32_t FKredietUren = 0;
    vorn::TIDList* FPersonen;
    std::int32_t FLesurenCursist = 0;
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
    void CreateCategoryLists() override;
    void ShowPageChart(int page, int figure) override;

private:
    void declareDatasets();
    void releaseCategoryLists();
    /// The category list shown on each page, in page order.
    std::vector<vorn::TIDList*> pageLists() const;
    NameList klassen_, admGroepen_, eenheden_, opleidingen_, studiegebieden_, vrijstellingen_, vestigingen_;
};

} // namespace telmod
