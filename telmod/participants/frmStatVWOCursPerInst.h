#pragma once

#include "participantscreen.h"

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
class TStatistic {
public:
    static constexpr bool HasCreditHours = false;

    TStatistic();
    virtual ~TStatistic();
    TStatistic(const TStatistic&) = delete;
    TStatistic& operator=(const TStatistic&) = delete;

    /// Empties the person list and zeroes every counter; id, code and description stay.
    void Reset();
    /// Counts one enrolment row. A row without person (LLID 0) counts nothing.
    void IncCounts(std::int32_t LLID, std::int32_t LUC, bool Fin, bool Man, bool C98);
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
    vorn::TIDList* FPersonen;
    std::int32_t FLesurenCursist = 0;
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
    void FillDatasets();
    /// The OSP totals, but with persons, men and women counted once each over all enrolment rows.
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
    void CreateCategoryLists() override;
    void ShowPageChart(int page, int figure) override;

private:
    void declareDatasets();
    void declareReferencePeriods();
    void releaseCategoryLists();
    std::vector<vorn::TIDList*> pageLists() const;
    NameList klassen_, modules_, modulevarianten_, ingModulevarianten_, opleidingen_, opleidingsvarianten_,
        tarieven_, vestigingen_;
};

} // namespace telmod
