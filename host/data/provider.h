#pragma once

#include "params.h"
#include "table.h"

#include <QHash>
#include <QVariant>
#include <functional>
#include <vector>

namespace vorn {

/// One pending change of a client dataset, as sent to its provider.
struct DeltaRow {
    enum class Kind { Insert, Modify, Delete };
    Kind kind = Kind::Insert;
    std::vector<QVariant> values;    // current values, one per delta field
    std::vector<QVariant> originals; // values as last fetched or applied (modify and delete)
};

struct Delta {
    std::vector<FieldDef> fields; // the data fields, with their provider flags
    QString idField;              // filled by the server for inserted rows
    std::vector<DeltaRow> rows;
};

struct ApplyRowResult {
    bool ok = false;
    QString error;
    QVariant assignedId; // the id the server gave an inserted row
};

struct ApplyResult {
    int errorCount = 0;
    /// True when the errors exceeded the allowed number and nothing was kept.
    bool rolledBack = false;
    std::vector<ApplyRowResult> rows; // one per delta row
};

/// The application server as the client datasets reach it: named providers that answer a
/// parameter list with typed rows and apply pending changes in one call.
class IProviderBroker {
public:
    virtual ~IProviderBroker() = default;
    virtual Table open(const QString& providerName, const TParams& params, const QString& commandText) = 0;
    /// Applies every row of the delta in one transaction. When more than `maxErrors` rows fail
    /// (a negative `maxErrors` allows any number), nothing is kept.
    virtual ApplyResult applyUpdates(const QString& providerName, const TParams& params, const Delta& delta,
                                     int maxErrors) = 0;
};

/// The broker client datasets use when none is given to them; the host installs it.
void SetDefaultProviderBroker(IProviderBroker* broker);
IProviderBroker* DefaultProviderBroker();

/// Providers kept in memory: fixed tables, or functions of the parameters. Used by tests and
/// benchmarks, and by anything that needs a provider without a database.
class InMemoryBroker : public IProviderBroker {
public:
    using Handler = std::function<Table(const TParams&)>;

    /// A provider answering a copy of `table`; applied changes change the table, and inserted
    /// rows get ids from a counter on `idField`.
    void addTable(const QString& providerName, Table table, const QString& idField = {});
    void addHandler(const QString& providerName, Handler handler);
    const Table& table(const QString& providerName) const;
    int openCount(const QString& providerName) const { return openCounts_.value(providerName.toUpper()); }

    Table open(const QString& providerName, const TParams& params, const QString& commandText) override;
    ApplyResult applyUpdates(const QString& providerName, const TParams& params, const Delta& delta,
                             int maxErrors) override;

private:
    struct StoredTable {
        Table table;
        QString idField;
        std::int64_t nextId = 1;
    };
    StoredTable& stored(const QString& providerName);
    static void applyRow(StoredTable& target, const Delta& delta, const DeltaRow& row,
                         ApplyRowResult& result);

    QHash<QString, StoredTable> tables_;
    QHash<QString, Handler> handlers_;
    QHash<QString, int> openCounts_;
};

/// Appends one value to a column of a table, converting it to the field's type.
void AppendValue(Table& table, int column, const QVariant& value);

} // namespace vorn
