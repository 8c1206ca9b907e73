#include "frmStatCursPerInst.h"

namespace telmod {

namespace osp {

namespace {
/// Counters have no overflow guard; adding wraps around as 32-bit arithmetic does, without
/// undefined behaviour.
void Add(std::int32_t& counter, std::int32_t amount) {
    counter =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) + static_cast<std::uint32_t>(amount));
}
} // namespace

TStatistic::TStatistic() : FPersonen(new vorn::TIDList(50)) {
    FPersonen->SetSorted(true);
    FPersonen->SetDuplicates(vorn::dupIgnore);
}

TStatistic::~TStatistic() {
    delete FPersonen;
}

void TStatistic::Reset() {
    FPersonen->Clear();
    FFinCount = 0;
    FNotFinCount = 0;
    FManCount = 0;
    FCount = 0;
    FCountC98 = 0;
    FKredietUren = 0;
    FLesurenCursist = 0;
}

void TStatistic::IncCounts(std::int32_t LLID, std::int32_t LUC, bool Fin, bool Man, bool AKU, bool C98) {
    Add(FCount, 1);
    if (Fin) {
        Add(FFinCount, 1);
        Add(FLesurenCursist, LUC);
    } else {
        Add(FNotFinCount, 1);
    }
    const int before = FPersonen->Count();
    FPersonen->Add(LLID);
    if (FPersonen->Count() > before) {
        // The person's first row in this category value decides man and C98.
        if (Man)
            Add(FManCount, 1);
        if (C98)
            Add(FCountC98, 1);
    }
    if (AKU)
        Add(FKredietUren, 1);
}

std::int32_t TStatistic::GetTypeCount(int statType) const {
    switch (statType) {
    case stCount:
        return FCount;
    case stFinCount:
        return FFinCount;
    case stNotFinCount:
        return FNotFinCount;
    case stPersoonCount:
        return GetPersoonCount();
    case stManCount:
        return FManCount;
    case stVrouwCount:
        return GetVrouwCount();
    case stkredietUren:
        return FKredietUren;
    case stC98:
        return FCountC98;
    case stlesurencursist:
        return FLesurenCursist;
    default:
        return 0;
    }
}

std::int32_t TStatistic::GetPersoonCount() const {
    return FPersonen->Count();
}

std::int32_t TStatistic::GetVrouwCount() const {
    return GetPersoonCount() - FManCount;
}

void TStatistic::SetVrouwCount(std::int32_t value) {
    FManCount = GetPersoonCount() - value;
}

} // namespace osp

TStatCursistenPerInstellingForm::TStatCursistenPerInstellingForm(QWidget* parent)
    : TPendingStatsForm(parent) {
    Declare(QStringLiteral("Stat Cursisten per instelling"),
            QStringLiteral("Cursistenstatistieken per instelling"), QStringLiteral("Statistieken"),
            QStringLiteral("TStatBrowseOSPInstellingenForm"), QSize(701, 571));
    RefuseEdits();
    ReportDefs = {{QStringLiteral("Statistiek per klas"), QStringLiteral("ospstatklas.arf")},
                  {QStringLiteral("Statistiek per adm. groep"), QStringLiteral("ospstatadmgroep.arf")},
                  {QStringLiteral("Statistiek per eenheid"), QStringLiteral("ospstateenheid.arf")},
                  {QStringLiteral("Statistiek per opleiding"), QStringLiteral("ospstatopleiding.arf")},
                  {QStringLiteral("Statistiek per type vrijstelling inschrijfgeld"),
                   QStringLiteral("ospstatvrijstellingig.arf")},
                  {QStringLiteral("Statistiek per vestigingsplaats"), QStringLiteral("ospstatvestiging.arf")},
                  {QStringLiteral("Statistiek per lesplaats"), QStringLiteral("ospstatlesplaats.arf")}};
}

const vorn::TFormClass& TStatCursistenPerInstellingForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatCursistenPerInstellingForm"),
                                            [] { return new TStatCursistenPerInstellingForm; });
    return formClass;
}

} // namespace telmod
