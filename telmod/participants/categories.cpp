#include "categories.h"

#include <algorithm>
#include <bit>

namespace telmod {

using namespace vorn;

std::unique_ptr<TIDList> NewCategoryList() {
    auto list = std::make_unique<TIDList>(200);
    list->SetSorted(true);
    list->SetDuplicates(dupError);
    return list;
}

std::function<QString(const TVornClientDataSet&)> FieldText(const QString& field) {
    return [field](const TVornClientDataSet& dataSet) { return dataSet.FieldByName(field).AsString(); };
}

QString UnknownCategoryName(std::int32_t id) {
    return QStringLiteral("? ID : %1").arg(id);
}

std::vector<std::int32_t> TIdOrdinals::Prepare(const TRowIds& rows) {
    std::int32_t low = std::numeric_limits<std::int32_t>::max();
    std::int32_t high = std::numeric_limits<std::int32_t>::min();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::int32_t id = rows[i];
        low = std::min(low, id);
        high = std::max(high, id);
    }
    std::vector<std::int32_t> distinct;
    if (rows.size() == 0)
        return distinct;
    const std::int64_t range = std::int64_t{high} - low + 1;
    dense_ = range <= DenseLimit && range <= 8 * static_cast<std::int64_t>(rows.size()) + 64;
    if (dense_) {
        low_ = low;
        table_.assign(static_cast<std::size_t>(range), Absent);
        for (std::size_t i = 0; i < rows.size(); ++i)
            table_[static_cast<std::size_t>(std::int64_t{rows[i]} - low)] = NotCounted;
        for (std::size_t slot = 0; slot < table_.size(); ++slot)
            if (table_[slot] != Absent)
                distinct.push_back(static_cast<std::int32_t>(low + static_cast<std::int64_t>(slot)));
        return distinct;
    }
    distinct.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        distinct.push_back(rows[i]);
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    return distinct;
}

void TIdOrdinals::Assign(std::int32_t id, std::uint32_t ordinal) {
    if (dense_)
        table_[static_cast<std::size_t>(std::int64_t{id} - low_)] = ordinal;
    else {
        // Dense map places in first-seen order: a new id's place is the next one.
        const std::uint32_t slot = sparse_.Insert(static_cast<std::uint32_t>(id));
        if (slot == sparseOrdinals_.size())
            sparseOrdinals_.push_back(ordinal);
        else
            sparseOrdinals_[slot] = ordinal;
    }
}

std::vector<std::uint32_t> PersonOrder(std::size_t rows,
                                       const std::function<std::int32_t(std::size_t)>& personAt) {
    std::vector<std::pair<std::int32_t, std::uint32_t>> keyed(rows);
    for (std::size_t i = 0; i < rows; ++i)
        keyed[i] = {personAt(i), static_cast<std::uint32_t>(i)};
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::uint32_t> order(rows);
    for (std::size_t i = 0; i < rows; ++i)
        order[i] = keyed[i].second;
    return order;
}

TPersonTotals CountPersonTotals(const TIntegerColumnView& person, const TTextColumnView& sex) {
    // Each person's rows together; already so when the rows are in person order, as when counted.
    std::vector<std::uint32_t> positions;
    for (std::size_t i = 1; i < person.size() && positions.empty(); ++i)
        if (person[i - 1] > person[i])
            positions = PersonOrder(person.size(), [&](std::size_t position) { return person[position]; });
    const auto at = [&](std::size_t i) { return positions.empty() ? i : positions[i]; };
    TPersonTotals totals;
    for (std::size_t first = 0; first < person.size();) {
        const std::int32_t id = person[at(first)];
        bool man = false;
        bool woman = false;
        std::size_t next = first;
        for (; next < person.size() && person[at(next)] == id; ++next) {
            man = man || sex[at(next)] == "M";
            woman = woman || sex[at(next)] == "V";
        }
        ++totals.persons;
        totals.men += man ? 1 : 0;
        totals.women += woman ? 1 : 0;
        first = next;
    }
    return totals;
}

TRowIds LocationIds(const TVornClientDataSet& rows, const char* field, TLesplaatsen& locations) {
    const TTextColumnView texts = rows.TextView(rows.FieldByName(QString::fromLatin1(field)));
    const std::vector<std::uint32_t>& order = rows.order();
    std::vector<std::int32_t> ids(order.size(), TRowIds::NoValue);
    // Neighbouring rows often share their location: a comparison saves a hash lookup.
    std::string_view last;
    std::int32_t lastId = TRowIds::NoValue;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string_view text = texts[i];
        if (text.empty())
            continue;
        if (text != last) {
            lastId = locations.PositionOf(text);
            last = text;
        }
        ids[order[i]] = lastId;
    }
    return TRowIds(std::move(ids), order);
}

int TLesplaatsen::PositionOf(std::string_view utf8) {
    if (const auto found = seen_.find(utf8); found != seen_.end())
        return found->second;
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    int position = -1;
    for (int i = 0; i < texts_.size() && position < 0; ++i)
        if (texts_[i].compare(text, Qt::CaseInsensitive) == 0)
            position = i;
    if (position < 0) {
        position = static_cast<int>(texts_.size());
        texts_.append(text);
    }
    seen_.emplace(std::string(utf8), position);
    return position;
}

void TLesplaatsen::Clear() {
    texts_.clear();
    seen_.clear();
}

namespace {

void defineCategoryTable(TVornClientDataSet& table, const CategoryTableLayout& layout) {
    table.AddField(FieldDef::integer("ID").req());
    table.AddField(FieldDef::string("Code", CategoryCodeWidth).req());
    table.AddField(FieldDef::string("Omschrijving", CategoryDescriptionWidth).req());
    QStringList counts{"LesurenCursist", "Count",    "CountFin",  "CountNotFin",
                       "CountPersoon",   "CountMan", "CountVrouw"};
    if (layout.creditHours)
        counts << QStringLiteral("CountKrediet");
    counts << QStringLiteral("CountC98");
    for (const QString& name : counts)
        table.AddField(FieldDef::integer(name).req());

    table.Aggregates().Clear();
    for (const QString& name : counts) {
        if (name == QLatin1String("CountFin"))
            continue;
        TAggregate& sum = table.Aggregates().Add();
        sum.Expression = QStringLiteral("SUM(%1)").arg(name);
        sum.AggregateName = QStringLiteral("Total") + name;
    }
}

void applyFieldSettings(TVornClientDataSet& table, const CategoryTableLayout& layout) {
    table.FieldByName(QStringLiteral("ID")).SetVisible(false);
    const std::pair<const char*, QString> labels[] = {{"LesurenCursist", QStringLiteral("Lesuren cursist")},
                                                      {"Count", QStringLiteral("Inschrijvingen")},
                                                      {"CountFin", QStringLiteral("Fin.")},
                                                      {"CountNotFin", QStringLiteral("Niet Fin.")},
                                                      {"CountPersoon", QStringLiteral("Personen")},
                                                      {"CountMan", QStringLiteral("Mannen")},
                                                      {"CountVrouw", layout.womenLabel},
                                                      {"CountC98", QStringLiteral("C98")}};
    for (const auto& [field, label] : labels)
        table.FieldByName(QString::fromLatin1(field)).SetDisplayLabel(label);
    if (layout.creditHours)
        table.FieldByName(QStringLiteral("CountKrediet"))
            .SetDisplayLabel(QStringLiteral("aanvr. Kredieturen."));
    table.FieldByName(QStringLiteral("Code")).SetDisplayWidth(10);
    table.FieldByName(QStringLiteral("Omschrijving")).SetDisplayWidth(50);
}

} // namespace

void PrepareCategoryTable(TVornClientDataSet& table, const CategoryTableLayout& layout) {
    if (table.FieldCount() == 0)
        defineCategoryTable(table, layout);
    applyFieldSettings(table, layout);
}

void ActivateCategoryTable(TVornClientDataSet& table) {
    table.First();
    for (int i = 0; i < table.Aggregates().Count(); ++i)
        table.Aggregates().Items(i).Active = true;
    table.AggregatesActive = true;
}

QString ChartCaption(const QString& figure, const QString& pageCaption) {
    QString lowered = pageCaption;
    for (QChar& c : lowered)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return figure + u' ' + lowered;
}

} // namespace telmod
