#include "provider.h"

#include "cell.h"
#include "errors.h"

namespace vorn {

namespace {
IProviderBroker* defaultBroker = nullptr;

[[noreturn]] void raiseUnknownProvider(const QString& name) {
    RaiseDatabaseError(QStringLiteral("Onbekende provider \"%s\""), {name});
}

/// Index of the row whose key cells equal the delta row's original keys, -1 when none.
long findRow(const Table& table, const Delta& delta, const DeltaRow& row) {
    std::vector<std::pair<int, Cell>> keys;
    for (std::size_t f = 0; f < delta.fields.size(); ++f) {
        const FieldDef& def = delta.fields[f];
        const bool isKey =
            (def.providerFlags & pfInKey) != 0 || def.name.compare(delta.idField, Qt::CaseInsensitive) == 0;
        const int column = table.indexOf(def.name);
        if (isKey && column >= 0)
            keys.emplace_back(column,
                              ToCell(table.fields[static_cast<std::size_t>(column)], row.originals[f]));
    }
    if (keys.empty())
        return -1;
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        bool match = true;
        for (const auto& [column, cell] : keys)
            match = match && CellAt(table.columns[static_cast<std::size_t>(column)], r) == cell;
        if (match)
            return static_cast<long>(r);
    }
    return -1;
}

Table withoutRow(const Table& table, std::size_t skipped) {
    Table result(table.fields);
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        for (std::size_t r = 0; r < table.rowCount(); ++r)
            if (r != skipped)
                AppendCell(result.columns[c], CellAt(table.columns[c], r));
    return result;
}

QVariant deltaValue(const Delta& delta, const DeltaRow& row, const QString& name, bool& present) {
    for (std::size_t f = 0; f < delta.fields.size(); ++f)
        if (delta.fields[f].name.compare(name, Qt::CaseInsensitive) == 0) {
            present = true;
            return row.values[f];
        }
    present = false;
    return {};
}
} // namespace

void SetDefaultProviderBroker(IProviderBroker* broker) {
    defaultBroker = broker;
}
IProviderBroker* DefaultProviderBroker() {
    return defaultBroker;
}

void AppendValue(Table& table, int column, const QVariant& value) {
    const auto c = static_cast<std::size_t>(column);
    AppendCell(table.columns.at(c), ToCell(table.fields.at(c), value));
}

void InMemoryBroker::addTable(const QString& providerName, Table table, const QString& idField) {
    StoredTable stored{std::move(table), idField, 1};
    const int idColumn = idField.isEmpty() ? -1 : stored.table.indexOf(idField);
    if (idColumn >= 0) {
        const Column& ids = stored.table.columns[static_cast<std::size_t>(idColumn)];
        for (std::size_t r = 0; r < ids.size(); ++r)
            if (!ids.isNull(r))
                stored.nextId = std::max(stored.nextId, ids.intAt(r) + 1);
    }
    tables_.insert(providerName.toUpper(), std::move(stored));
}

void InMemoryBroker::addHandler(const QString& providerName, Handler handler) {
    handlers_.insert(providerName.toUpper(), std::move(handler));
}

InMemoryBroker::StoredTable& InMemoryBroker::stored(const QString& providerName) {
    const auto it = tables_.find(providerName.toUpper());
    if (it == tables_.end())
        raiseUnknownProvider(providerName);
    return it.value();
}

const Table& InMemoryBroker::table(const QString& providerName) const {
    const auto it = tables_.constFind(providerName.toUpper());
    if (it == tables_.constEnd())
        raiseUnknownProvider(providerName);
    return it.value().table;
}

Table InMemoryBroker::open(const QString& providerName, const TParams& params, const QString&) {
    const QString key = providerName.toUpper();
    if (const auto handler = handlers_.constFind(key); handler != handlers_.constEnd()) {
        openCounts_[key] += 1;
        return handler.value()(params);
    }
    const Table& result = stored(providerName).table;
    openCounts_[key] += 1;
    return result;
}

void InMemoryBroker::applyRow(StoredTable& target, const Delta& delta, const DeltaRow& row,
                              ApplyRowResult& result) {
    Table& table = target.table;
    if (row.kind == DeltaRow::Kind::Delete) {
        const long found = findRow(table, delta, row);
        if (found < 0)
            RaiseDatabaseError(
                QStringLiteral("De rij werd niet gevonden; ze is intussen gewijzigd of verwijderd"));
        table = withoutRow(table, static_cast<std::size_t>(found));
        result.ok = true;
        return;
    }
    std::vector<Cell> cells(table.fields.size());
    long found = -1;
    if (row.kind == DeltaRow::Kind::Modify) {
        found = findRow(table, delta, row);
        if (found < 0)
            RaiseDatabaseError(
                QStringLiteral("De rij werd niet gevonden; ze is intussen gewijzigd of verwijderd"));
        for (std::size_t c = 0; c < cells.size(); ++c)
            cells[c] = CellAt(table.columns[c], static_cast<std::size_t>(found));
    }
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const FieldDef& def = table.fields[c];
        bool present = false;
        const QVariant value = deltaValue(delta, row, def.name, present);
        if (row.kind == DeltaRow::Kind::Insert &&
            def.name.compare(target.idField, Qt::CaseInsensitive) == 0) {
            result.assignedId = QVariant::fromValue<qint64>(target.nextId);
            cells[c] = target.nextId;
        } else if (present) {
            cells[c] = ToCell(def, value);
        }
        if (def.required && IsNullCell(cells[c]))
            RaiseDatabaseError(QStringLiteral("Veld '%s' moet een waarde hebben"), {def.name});
    }
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (found < 0)
            AppendCell(table.columns[c], cells[c]);
        else
            SetCell(table.columns[c], static_cast<std::size_t>(found), cells[c]);
    }
    if (result.assignedId.isValid())
        ++target.nextId;
    result.ok = true;
}

ApplyResult InMemoryBroker::applyUpdates(const QString& providerName, const TParams&, const Delta& delta,
                                         int maxErrors) {
    if (handlers_.contains(providerName.toUpper()))
        RaiseDatabaseError(QStringLiteral("Provider \"%s\" kan geen wijzigingen bewaren"), {providerName});
    StoredTable& target = stored(providerName);
    const StoredTable before = target;
    ApplyResult result;
    result.rows.resize(delta.rows.size());
    for (std::size_t i = 0; i < delta.rows.size(); ++i) {
        try {
            applyRow(target, delta, delta.rows[i], result.rows[i]);
        } catch (const EVornError& error) {
            result.rows[i].error = error.message();
            ++result.errorCount;
            if (maxErrors >= 0 && result.errorCount > maxErrors)
                break;
        }
    }
    if (maxErrors >= 0 && result.errorCount > maxErrors) {
        target = before;
        result.rolledBack = true;
        for (ApplyRowResult& row : result.rows) {
            row.ok = false;
            row.assignedId = QVariant();
        }
    }
    return result;
}

} // namespace vorn
