#include "sqlbroker.h"

#include "jobregister.h"

#include "sqltext.h"

#include "host/data/cell.h"
#include "host/data/errors.h"

#include <cmath>

namespace vorn::server {

namespace {

qint64 integerParam(const ProviderDef& provider, const TParam& param) {
    bool ok = false;
    const QVariant& value = param.Value();
    qint64 result = 0;
    if (value.typeId() == QMetaType::Double) {
        const double d = value.toDouble();
        ok = std::isfinite(d) && d == std::trunc(d);
        result = static_cast<qint64>(d);
    } else {
        result = value.toString().trimmed().toLongLong(&ok);
    }
    if (!ok)
        RaiseDatabaseError(QStringLiteral("Parameter %s van provider \"%s\": '%s' is geen geheel getal"),
                           {param.Name(), provider.name, value.toString()});
    return result;
}

TDateTime dateParam(const ProviderDef& provider, const TParam& param) {
    const QVariant& value = param.Value();
    if (param.DataType() != TFieldType::WideString && param.DataType() != TFieldType::String) {
        bool ok = false;
        const double day = value.toDouble(&ok);
        if (ok)
            return day;
    }
    double day = 0;
    const std::string text = value.toString().trimmed().toStdString();
    if (!ParseIsoDateTime(text, day))
        RaiseDatabaseError(
            QStringLiteral("Parameter %s van provider \"%s\": '%s' is geen datum (JJJJ-MM-DD)"),
            {param.Name(), provider.name, value.toString()});
    return day;
}

const FieldDef* providerField(const ProviderDef& provider, const QString& name) {
    for (const FieldDef& field : provider.fields)
        if (field.name.compare(name, Qt::CaseInsensitive) == 0)
            return &field;
    return nullptr;
}

} // namespace

const ProviderDef& SqlBroker::provider(const QString& name) const {
    const ProviderDef* def = FindProvider(name);
    if (def == nullptr)
        RaiseDatabaseError(QStringLiteral("Onbekende provider \"%s\""), {name});
    return *def;
}

TParams SqlBroker::NormalizedParams(const ProviderDef& provider, const TParams& params) {
    TParams normalized;
    for (const ParamDefinition& parameter : provider.params) {
        if (normalized.FindParam(parameter.name) != nullptr)
            continue;
        const TParam* given = params.FindParam(parameter.name);
        if (given == nullptr)
            RaiseDatabaseError(QStringLiteral("Provider \"%s\" verwacht de parameter %s"),
                               {provider.name, parameter.name});
        TParam& param = normalized.CreateParam(parameter.type, parameter.name);
        if (given->IsNull() ||
            (given->DataType() == TFieldType::WideString && given->AsString().trimmed().isEmpty()))
            continue;
        switch (parameter.type) {
        case TFieldType::Smallint:
        case TFieldType::Integer:
        case TFieldType::Largeint:
            param.SetAsInteger(integerParam(provider, *given));
            break;
        case TFieldType::Date:
            param.SetAsDate(dateParam(provider, *given));
            break;
        case TFieldType::DateTime:
            param.SetAsDateTime(dateParam(provider, *given));
            break;
        default:
            param.SetAsString(given->AsString());
        }
    }
    return normalized;
}

void SqlBroker::checkCommand(const ProviderDef& def, const TParams& params, const QString& commandText) {
    if (commandText.trimmed().isEmpty())
        RaiseDatabaseError(QStringLiteral("Provider \"%s\" heeft een opdrachttekst nodig"), {def.name});
    // A placeholder without a parameter would silently match nothing.
    for (const QString& name : NumberPlaceholders(commandText, connection_.dialect()).names)
        if (params.FindParam(name) == nullptr)
            RaiseDatabaseError(QStringLiteral("De opdracht gebruikt :%s, maar die parameter is niet gegeven"),
                               {name});
}

Connection& SqlBroker::readerFor(const ProviderDef& def) {
    // A print reads back the job rows it has just written: a standby may not have them yet.
    return def.kind == ProviderDef::Kind::JobTable ? connection_ : connection_.reader();
}

Table SqlBroker::open(const QString& providerName, const TParams& params, const QString& commandText) {
    const ProviderDef& def = provider(providerName);
    if (def.kind == ProviderDef::Kind::CommandText) {
        checkCommand(def, params, commandText);
        return readerFor(def).queryReadOnly(commandText, params);
    }
    const QString& sql = def.sqlFor(connection_.dialect());
    if (!def.splitKey.isEmpty())
        return readerFor(def).queryInHalves(sql, def.splitKey, NormalizedParams(def, params), def.fields);
    return readerFor(def).query(sql, NormalizedParams(def, params), def.fields);
}

void SqlBroker::streamCommand(const QString& providerName, const TParams& params, const QString& commandText,
                              const Connection::RowBatches& batch) {
    const ProviderDef& def = provider(providerName);
    if (def.kind != ProviderDef::Kind::CommandText)
        RaiseDatabaseError(QStringLiteral("Provider \"%s\" neemt geen opdrachttekst"), {def.name});
    checkCommand(def, params, commandText);
    readerFor(def).queryReadOnlyInBatches(commandText, params, batch);
}

void SqlBroker::stream(const QString& providerName, const TParams& params,
                       const Connection::RowBatches& batch) {
    const ProviderDef& def = provider(providerName);
    if (def.kind == ProviderDef::Kind::CommandText)
        RaiseDatabaseError(QStringLiteral("Provider \"%s\" heeft een opdrachttekst nodig"), {def.name});
    readerFor(def).queryInBatches(def.sqlFor(connection_.dialect()), NormalizedParams(def, params),
                                  def.fields, batch);
}

SqlBroker::JobColumnPlan SqlBroker::jobColumnPlan(const ProviderDef& def, const Delta& delta) {
    JobColumnPlan plan;
    for (std::size_t f = 0; f < delta.fields.size(); ++f) {
        const FieldDef& sent = delta.fields[f];
        const FieldDef* column = providerField(def, sent.name);
        if (column == nullptr)
            RaiseDatabaseError(QStringLiteral("Veld '%s' bestaat niet in provider \"%s\""),
                               {sent.name, def.name});
        if (column->name == QStringLiteral("J_ID") || (sent.providerFlags & pfInUpdate) == 0)
            continue;
        plan.names << column->name;
        plan.fields.push_back(f);
        plan.defs.push_back(column);
    }
    return plan;
}

BindList SqlBroker::jobBinds(const JobColumnPlan& plan, const DeltaRow& row) {
    BindList binds;
    binds.reserve(plan.fields.size());
    for (std::size_t c = 0; c < plan.fields.size(); ++c) {
        const FieldDef& column = *plan.defs[c];
        const QVariant& value = row.values[plan.fields[c]];
        if (column.required && (value.isNull() || !value.isValid()))
            RaiseDatabaseError(QStringLiteral("Veld '%s' moet een waarde hebben"), {column.name});
        ToCell(column, value); // refuses a value that does not fit the column
        binds.push_back(BindValueOf(value, column.type));
    }
    return binds;
}

void SqlBroker::applyJobRow(const JobColumnPlan& plan, const Delta& delta, const DeltaRow& row,
                            ApplyRowResult& result) {
    BindList binds = jobBinds(plan, row);
    const auto originalId = [&]() -> BindValue {
        for (std::size_t f = 0; f < delta.fields.size(); ++f)
            if (delta.fields[f].name.compare(QStringLiteral("J_ID"), Qt::CaseInsensitive) == 0)
                return BindValueOf(row.originals[f], TFieldType::Integer);
        RaiseDatabaseError(QStringLiteral("Het veld J_ID ontbreekt in de wijzigingen"));
    };
    QStringList placeholders;
    for (qsizetype i = 0; i < plan.names.size(); ++i)
        placeholders << QStringLiteral(":P%1").arg(i + 1);
    if (row.kind == DeltaRow::Kind::Insert) {
        const auto id =
            connection_.queryInteger(QStringLiteral("INSERT INTO JOBDATA (%1) VALUES (%2) RETURNING J_ID")
                                         .arg(plan.names.join(u','), placeholders.join(u',')),
                                     binds);
        result.assignedId = QVariant::fromValue<qint64>(id.value_or(0));
    } else if (row.kind == DeltaRow::Kind::Modify) {
        QStringList assignments;
        for (qsizetype i = 0; i < plan.names.size(); ++i)
            assignments << plan.names[i] + QStringLiteral(" = ") + placeholders[i];
        binds.push_back(originalId());
        if (connection_.execute(QStringLiteral("UPDATE JOBDATA SET %1 WHERE J_ID = :P%2")
                                    .arg(assignments.join(u','))
                                    .arg(binds.size()),
                                binds) == 0)
            RaiseDatabaseError(QStringLiteral("De rij werd niet gevonden; ze is intussen verwijderd"));
    } else {
        if (connection_.execute(QStringLiteral("DELETE FROM JOBDATA WHERE J_ID = :P1"), {originalId()}) == 0)
            RaiseDatabaseError(QStringLiteral("De rij werd niet gevonden; ze is intussen verwijderd"));
    }
    result.ok = true;
}

/// Every row sends the same fields, so the columns are those of the first row; each row is still
/// checked as one applied alone would be.
void SqlBroker::insertJobRowsTogether(const JobColumnPlan& plan, const Delta& delta, ApplyResult& result,
                                      std::size_t& failedRow) {
    failedRow = 0;
    if (delta.rows.empty())
        return;
    std::vector<BindList> rows;
    rows.reserve(delta.rows.size());
    for (failedRow = 0; failedRow < delta.rows.size(); ++failedRow)
        rows.push_back(jobBinds(plan, delta.rows[failedRow]));
    const std::vector<std::int64_t> ids = connection_.insertRowsWithIds(
        QStringLiteral("JOBDATA"), QStringLiteral("J_ID"), plan.names, rows, failedRow);
    for (std::size_t r = 0; r < ids.size(); ++r)
        result.rows[r] = ApplyRowResult{true, {}, QVariant::fromValue<qint64>(ids[r])};
}

/// The jobs that the inserted rows of a delta belong to.
std::set<int> SqlBroker::jobIdsOf(const Delta& delta) {
    std::set<int> jobs;
    for (std::size_t f = 0; f < delta.fields.size(); ++f) {
        if (delta.fields[f].name.compare(QStringLiteral("J_JOBID"), Qt::CaseInsensitive) != 0)
            continue;
        for (const DeltaRow& row : delta.rows)
            if (row.kind == DeltaRow::Kind::Insert && row.values[f].isValid() && !row.values[f].isNull())
                jobs.insert(row.values[f].toInt());
    }
    return jobs;
}

ApplyResult SqlBroker::applyUpdates(const QString& providerName, const TParams&, const Delta& delta,
                                    int maxErrors) {
    const ProviderDef& def = provider(providerName);
    if (def.kind != ProviderDef::Kind::JobTable)
        RaiseDatabaseError(QStringLiteral("Provider \"%s\" kan geen wijzigingen bewaren"), {def.name});
    ApplyResult result;
    result.rows.resize(delta.rows.size());
    std::optional<Transaction> transaction;
    const auto rolledBack = [&](const QString& error, std::size_t failedRow) {
        transaction->rollback();
        result.rolledBack = true;
        for (ApplyRowResult& row : result.rows)
            row = ApplyRowResult{false, {}, {}};
        result.rows[failedRow].error = error;
        return result;
    };
    // Without errors allowed the whole apply is kept or nothing is: no row needs a savepoint.
    const bool allInserts = std::all_of(delta.rows.begin(), delta.rows.end(), [](const DeltaRow& row) {
        return row.kind == DeltaRow::Kind::Insert;
    });
    const bool together = maxErrors == 0 && allInserts;
    const bool savepoints = maxErrors != 0;
    JobColumnPlan plan;
    try {
        plan = jobColumnPlan(def, delta);
    } catch (const EVornError& error) {
        // A field the provider does not know: nothing was written, every row fails with the first.
        result.rolledBack = true;
        result.errorCount = 1;
        if (!result.rows.empty())
            result.rows.front().error = error.message();
        return result;
    }
    transaction.emplace(connection_);
    for (const int job : jobIdsOf(delta))
        RegisterJob(connection_, job);
    if (together) {
        std::size_t failedRow = 0;
        try {
            insertJobRowsTogether(plan, delta, result, failedRow);
        } catch (const EVornError& error) {
            result.errorCount = 1;
            return rolledBack(error.message(), std::min(failedRow, delta.rows.size() - 1));
        }
        transaction->commit();
        return result;
    }
    for (std::size_t i = 0; i < delta.rows.size(); ++i) {
        if (savepoints)
            connection_.execute(QStringLiteral("SAVEPOINT vorn_row"));
        try {
            applyJobRow(plan, delta, delta.rows[i], result.rows[i]);
            if (savepoints)
                connection_.execute(QStringLiteral("RELEASE SAVEPOINT vorn_row"));
        } catch (const EVornError& error) {
            if (!savepoints) {
                result.errorCount = 1;
                return rolledBack(error.message(), i);
            }
            connection_.execute(QStringLiteral("ROLLBACK TO SAVEPOINT vorn_row"));
            connection_.execute(QStringLiteral("RELEASE SAVEPOINT vorn_row"));
            result.rows[i] = ApplyRowResult{false, error.message(), {}};
            if (maxErrors >= 0 && ++result.errorCount > maxErrors)
                return rolledBack(error.message(), i);
            if (maxErrors < 0)
                ++result.errorCount; // any number may fail
        }
    }
    transaction->commit();
    return result;
}

int SqlBroker::schoolYearId(int number) {
    const auto id =
        connection_.queryInteger(QStringLiteral("SELECT SJ_ID FROM SCHOOLJAAR WHERE SJ_CODE = :N"),
                                 {BindValue{BindValue::Kind::Integer, number, {}}});
    return id ? static_cast<int>(*id) : -1;
}

int SqlBroker::newJobId() {
    return static_cast<int>(connection_.nextJobId());
}

QString SqlBroker::cleanJob(int, int jobId, const QVariant&) {
    const std::int64_t removed = ForgetJob(connection_, jobId);
    return QStringLiteral("%1 rijen verwijderd").arg(removed);
}

} // namespace vorn::server
