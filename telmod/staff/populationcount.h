#pragma once

// The staff population counted by age band and sex: one pass over the fetched rows, apart from the
// screen that shows the counts as charts.

#include "host/data/clientdataset.h"

#include <QCollator>
#include <QHash>
#include <QString>
#include <vector>

namespace telmod {

/// A counter the screen increments directly.
class TCountObject {
public:
    int FCount = 0;
};

/// Text keys kept sorted (letter case ignored, the locale's collation), each with a count object the
/// list owns; a key occurs once.
class TCountList {
public:
    TCountList();
    ~TCountList();
    TCountList(const TCountList&) = delete;
    TCountList& operator=(const TCountList&) = delete;

    /// Frees every count object, from the last entry to the first; with `remove` the entries go too.
    void FreeObjects(bool remove);
    /// The object of the key, or null.
    TCountObject* GetCountObject(const QString& key) const;
    /// The object of the key; a missing key gets a new object (count 0) at its sorted place.
    TCountObject* GetCountObject(const QString& key, bool create);
    int Count() const { return static_cast<int>(entries_.size()); }
    const QString& Key(int index) const { return entries_.at(static_cast<std::size_t>(index)).key; }
    TCountObject* Object(int index) const { return entries_.at(static_cast<std::size_t>(index)).object; }

private:
    struct Entry {
        QString key;
        TCountObject* object;
    };
    QCollator collator_;
    std::vector<Entry> entries_;
    QHash<QString, TCountObject*> byFoldedKey_;
};

/// The band of an age: its lower bound is the age rounded down to a multiple of the scale, so
/// negative ages (born after the reference year) get bands with negative bounds ("-5 - -1").
QString AgeBandKey(int age, int scale);

/// The population by age band ("40 - 44"), by sex ("M", "V") and by both ("40 - 44: V").
struct TPopulationCounts {
    TCountList bands;
    TCountList sexes;
    TCountList bandSexes;
};

/// Counts every row of the population (fields PS_GEBOORTEDATUM and PS_GESLACHT) once in each list:
/// the age is the reference year less the year of birth (a row without a birth date is counted as
/// born in the first year of the calendar), in bands of `scale` years (at least 1).
void CountPopulation(vorn::TVornClientDataSet& rows, int referenceYear, int scale, TPopulationCounts& counts);

} // namespace telmod
