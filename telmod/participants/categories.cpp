#include "categories.h"

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

void TIdMap::Insert(std::int32_t id, std::uint32_t value) {
    if (2 * (used_ + 1) > slots_.size())
        grow();
    std::size_t i = slotOf(id);
    while (slots_[i].value != Absent && slots_[i].id != id)
        i = (i + 1) & mask_;
    if (slots_[i].value == Absent)
        ++used_;
    slots_[i] = {id, value};
}

void TIdMap::grow() {
    std::vector<Slot> old = std::move(slots_);
    const std::size_t size = std::max<std::size_t>(64, old.size() * 2);
    slots_.assign(size, Slot{0, Absent});
    mask_ = size - 1;
    shift_ = 32 - std::countr_zero(size);
    used_ = 0;
    for (const Slot& slot : old)
        if (slot.value != Absent)
            Insert(slot.id, slot.value);
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
    table.CreateDataSet();
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
