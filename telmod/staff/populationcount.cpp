#include "populationcount.h"

#include "host/data/datetime.h"

#include <QLocale>
#include <algorithm>
#include <map>
#include <string>

namespace telmod {

using namespace vorn;

namespace {

int floorDiv(int value, int divisor) {
    const int quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

} // namespace

TCountList::TCountList() : collator_(QLocale()) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

TCountList::~TCountList() {
    FreeObjects(true);
}

void TCountList::FreeObjects(bool remove) {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        delete it->object;
        it->object = nullptr;
    }
    byFoldedKey_.clear();
    if (remove)
        entries_.clear();
}

TCountObject* TCountList::GetCountObject(const QString& key) const {
    return byFoldedKey_.value(key.toCaseFolded(), nullptr);
}

TCountObject* TCountList::GetCountObject(const QString& key, bool create) {
    if (TCountObject* present = GetCountObject(key); present != nullptr || !create)
        return present;
    auto* object = new TCountObject;
    const auto position =
        std::lower_bound(entries_.begin(), entries_.end(), key, [this](const Entry& entry, const QString& k) {
            return collator_.compare(entry.key, k) < 0;
        });
    entries_.insert(position, Entry{key, object});
    byFoldedKey_.insert(key.toCaseFolded(), object);
    return object;
}

QString AgeBandKey(int age, int scale) {
    const int lower = floorDiv(age, scale) * scale;
    return QStringLiteral("%1 - %2").arg(lower).arg(lower + scale - 1);
}

void CountPopulation(TVornClientDataSet& rows, int referenceYear, int scale, TPopulationCounts& counts) {
    scale = std::max(1, scale);
    const TField& born = rows.FieldByName(QStringLiteral("PS_GEBOORTEDATUM"));
    const TField& sex = rows.FieldByName(QStringLiteral("PS_GESLACHT"));
    // The three counters of a (band, sex) pair, found once: the rows repeat a few dozen pairs.
    struct Counters {
        TCountObject* band;
        TCountObject* sex;
        TCountObject* bandSex;
    };
    std::map<std::pair<int, std::string>, Counters> known;
    for (rows.First(); !rows.Eof(); rows.Next()) {
        const int birthYear = born.IsNull() ? DayZero().year() : DateTimeToDate(born.AsDateTime()).year();
        const int lower = floorDiv(referenceYear - birthYear, scale) * scale;
        const std::string_view letter = sex.AsUtf8();
        auto it = known.find({lower, std::string(letter)});
        if (it == known.end()) {
            const QString band = AgeBandKey(lower, scale);
            const QString text = QString::fromUtf8(letter.data(), static_cast<qsizetype>(letter.size()));
            it = known
                     .emplace(
                         std::make_pair(lower, std::string(letter)),
                         Counters{counts.bands.GetCountObject(band, true),
                                  counts.sexes.GetCountObject(text, true),
                                  counts.bandSexes.GetCountObject(band + QStringLiteral(": ") + text, true)})
                     .first;
        }
        ++it->second.band->FCount;
        ++it->second.sex->FCount;
        ++it->second.bandSex->FCount;
    }
}

} // namespace telmod
