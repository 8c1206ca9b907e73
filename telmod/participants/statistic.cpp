#include "statistic.h"

namespace telmod {

TParticipantStatistic::TParticipantStatistic() = default;

TParticipantStatistic::~TParticipantStatistic() = default;

void TParticipantStatistic::Reset() {
    if (FPersonen)
        FPersonen->Clear();
    FPersoonCount = 0;
    FFinCount = 0;
    FNotFinCount = 0;
    FManCount = 0;
    FCount = 0;
    FCountC98 = 0;
    FLesurenCursist = 0;
}

void TParticipantStatistic::CountRow(std::int32_t LLID, std::int32_t LUC, bool Fin, bool Man, bool C98) {
    AddWrapping(FCount, 1);
    if (Fin) {
        AddWrapping(FFinCount, 1);
        AddWrapping(FLesurenCursist, LUC);
    } else {
        AddWrapping(FNotFinCount, 1);
    }
    if (!FPersonen) {
        FPersonen = std::make_unique<vorn::TIDList>(50);
        FPersonen->SetSorted(true);
        FPersonen->SetDuplicates(vorn::dupIgnore);
    }
    const int before = FPersonen->Count();
    FPersonen->Add(LLID);
    if (FPersonen->Count() > before) {
        AddWrapping(FPersoonCount, 1);
        if (Man)
            AddWrapping(FManCount, 1);
        if (C98)
            AddWrapping(FCountC98, 1);
    }
}

void TParticipantStatistic::AddCounted(const TTally& tally) {
    AddWrapping(FCount, static_cast<std::int32_t>(tally.count));
    AddWrapping(FFinCount, static_cast<std::int32_t>(tally.fin));
    AddWrapping(FNotFinCount, static_cast<std::int32_t>(tally.count - tally.fin));
    AddWrapping(FLesurenCursist, static_cast<std::int32_t>(tally.hours));
    AddWrapping(FPersoonCount, static_cast<std::int32_t>(tally.persons));
    AddWrapping(FManCount, static_cast<std::int32_t>(tally.men));
    AddWrapping(FCountC98, static_cast<std::int32_t>(tally.c98));
}

std::int32_t TParticipantStatistic::GetPersoonCount() const {
    return FPersoonCount;
}

std::int32_t TParticipantStatistic::GetVrouwCount() const {
    return GetPersoonCount() - FManCount;
}

void TParticipantStatistic::SetVrouwCount(std::int32_t value) {
    FManCount = GetPersoonCount() - value;
}

} // namespace telmod
