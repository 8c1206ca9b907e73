#include "statistic.h"

namespace telmod {

TParticipantStatistic::TParticipantStatistic() : FPersonen(new vorn::TIDList(50)) {
    FPersonen->SetSorted(true);
    FPersonen->SetDuplicates(vorn::dupIgnore);
}

TParticipantStatistic::~TParticipantStatistic() {
    delete FPersonen;
}

void TParticipantStatistic::Reset() {
    FPersonen->Clear();
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
    const int before = FPersonen->Count();
    FPersonen->Add(LLID);
    if (FPersonen->Count() > before) {
        if (Man)
            AddWrapping(FManCount, 1);
        if (C98)
            AddWrapping(FCountC98, 1);
    }
}

std::int32_t TParticipantStatistic::GetPersoonCount() const {
    return FPersonen->Count();
}

std::int32_t TParticipantStatistic::GetVrouwCount() const {
    return GetPersoonCount() - FManCount;
}

void TParticipantStatistic::SetVrouwCount(std::int32_t value) {
    FManCount = GetPersoonCount() - value;
}

} // namespace telmod
