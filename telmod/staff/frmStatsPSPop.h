#pragma once

#include "host/controls/actions.h"
#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/data/clientdataset.h"
#include "host/forms/formmanager.h"
#include "host/forms/vornform.h"
#include "telmod/common/institutionscreen.h"

#include <QCollator>
#include <QHash>
#include <array>
#include <memory>
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

/// The staff of an institution on a date by age band and sex, counted on the client; the band width
/// can be changed after a fetch and the rows already fetched are counted again.
class TStatsPSPopulatieForm : public TInstitutionDateForm {
    Q_OBJECT
public:
    explicit TStatsPSPopulatieForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();

    vorn::TVornLabel* Label1;
    vorn::TVornSpinEdit* SEScale;
    vorn::TVornPageControl* PCGrids;
    vorn::TVornPageControl* PCStats;
    vorn::TVornDBgrid* GPerVak;
    vorn::TBarChart* BCPerLeeftijd;
    vorn::TBarChart* BCPerGeslacht;
    vorn::TBarChart* BCPerGeslachtLeeftijd;

    vorn::TVornClientDataSet CDSPopulatie{QStringLiteral("CDSPopulatie")};
    vorn::TVornDatasource* DSPopulatie;

    std::array<vorn::TVornClientDataSet*, 3> FDatasets{};
    std::array<vorn::TBarChart*, 3> FBarCharts{};

    void VornDBFormCreate(QObject* sender);
    void AFetchExecute(QObject* sender) override;
    std::vector<vorn::TBarChart*> ComparedCharts() const override;
    QString ComparisonRemark() const override;
    void SEScaleChange(QObject* sender);
    int designedHeight(const vorn::TBarChart& chart) const;
    void CloseDatasets();
    void OpenDatasets();
    void FillCharts();

    /// The band of an age: its lower bound is the age rounded down to a multiple of the scale, so
    /// negative ages (born after the reference year) get bands with negative bounds.
    static QString BandKey(int age, int scale);

protected:
    vorn::TResultControls ResultControls() const override;

private:
    void count(TCountList& bands, TCountList& sexes, TCountList& bandSexes);
};

} // namespace telmod
