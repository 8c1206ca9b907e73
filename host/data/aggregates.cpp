#include "aggregates.h"

#include "clientdataset.h"
#include "errors.h"

#include <QRegularExpression>
#include <algorithm>

namespace vorn {

TAggregate& TAggregates::Add() {
    items_.push_back(std::make_unique<TAggregate>(dataSet_));
    return *items_.back();
}

TAggregate* TAggregates::Find(const QString& name) const {
    for (const auto& item : items_)
        if (item->AggregateName.compare(name, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

QVariant TAggregate::Value() const {
    if (!Active || !dataSet_->AggregatesActive || !dataSet_->Active())
        return {};
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(SUM|COUNT|MIN|MAX|AVG)\s*\(\s*(\w+)\s*\)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(Expression);
    if (!match.hasMatch())
        RaiseDatabaseError(QStringLiteral("Aggregaat '%s': uitdrukking '%s' wordt niet ondersteund"),
                           {AggregateName, Expression});
    const QString function = match.captured(1).toUpper();
    const TField& field = dataSet_->FieldByName(match.captured(2));
    const FieldDef& def = field.Def();
    const bool integral =
        StorageOf(def.type) == StorageKind::Int32 || StorageOf(def.type) == StorageKind::Int64;
    qint64 count = 0;
    qint64 intSum = 0;
    double sum = 0;
    double lowest = 0;
    double highest = 0;
    const int rows = dataSet_->RecordCount();
    for (int pos = 0; pos < rows; ++pos) {
        const Cell cell = dataSet_->cellAtPosition(field, pos);
        if (IsNullCell(cell))
            continue;
        double value = 0;
        if (const auto* i = std::get_if<std::int64_t>(&cell)) {
            intSum += *i;
            value = static_cast<double>(*i);
        } else if (const auto* d = std::get_if<double>(&cell)) {
            value = *d;
        }
        lowest = count == 0 ? value : std::min(lowest, value);
        highest = count == 0 ? value : std::max(highest, value);
        sum += value;
        ++count;
    }
    if (function == u"COUNT")
        return QVariant::fromValue(count);
    if (count == 0)
        return {};
    const double factor =
        def.type == TFieldType::Decimal ? static_cast<double>(DecimalFactor(def.scale)) : 1.0;
    if (function == u"SUM")
        return integral && def.type != TFieldType::Decimal ? QVariant::fromValue(intSum)
                                                           : QVariant(sum / factor);
    if (function == u"MIN")
        return lowest / factor;
    if (function == u"MAX")
        return highest / factor;
    return sum / factor / static_cast<double>(count);
}

} // namespace vorn
