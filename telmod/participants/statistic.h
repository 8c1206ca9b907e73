#pragma once

#include "host/data/idlist.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace telmod {

/// Counters have no overflow guard; adding wraps around as 32-bit arithmetic does, without
/// undefined behaviour.
inline void AddWrapping(std::int32_t& counter, std::int32_t amount) {
    counter =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) + static_cast<std::uint32_t>(amount));
}

/// The figures one category value gathers in the counting pass, in flat arrays rather than in the
/// statistics themselves (32 bytes: two to a cache line). The rows come in person order, so a person
/// is new to the value exactly when the value has no person yet or its last person differs. The
/// enrolments not financeable are those counted minus the financeable ones. Counters wrap around as
/// 32-bit arithmetic does.
struct TTally {
    std::uint32_t count = 0;
    std::uint32_t fin = 0;
    std::uint32_t hours = 0;
    std::uint32_t persons = 0;
    std::uint32_t men = 0;
    std::uint32_t c98 = 0;
    std::uint32_t creditHours = 0;
    std::int32_t lastPerson = 0;
};

/// What the statistics of both regimes count alike for one category value: enrolments, financeable
/// or not, the lesson hours of the financeable ones, distinct persons, men (women are persons minus
/// men) and C98 persons, with the value's id, code and description. Each regime adds its own rules
/// for a row and its own list of figures.
class TParticipantStatistic {
public:
    TParticipantStatistic();
    virtual ~TParticipantStatistic();
    TParticipantStatistic(const TParticipantStatistic&) = delete;
    TParticipantStatistic& operator=(const TParticipantStatistic&) = delete;

    /// Empties the person list and zeroes every counter; id, code and description stay.
    void Reset();
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

    /// Adds the figures the counting pass gathered for this value.
    void AddCounted(const TTally& tally);

protected:
    /// Counts one enrolment row: the person's first row in this value decides man and C98.
    void CountRow(std::int32_t LLID, std::int32_t LUC, bool Fin, bool Man, bool C98);

private:
    std::int32_t FFinCount = 0;
    std::int32_t FSourceID = 0;
    std::int32_t FNotFinCount = 0;
    std::int32_t FManCount = 0;
    std::int32_t FCount = 0;
    QString FCode;
    QString Fomschrijving;
    std::int32_t FCountC98 = 0;
    /// The persons met row by row; made on the first such row (the counting pass needs none).
    std::unique_ptr<vorn::TIDList> FPersonen;
    std::int32_t FPersoonCount = 0;
    std::int32_t FLesurenCursist = 0;
};

} // namespace telmod
