#include "sqlbroker.h"

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
    for (const ParamSpec& spec : provider.params) {
        if (normalized.FindParam(spec.name) != nullptr)
            continue;
        const TParam* given = params.FindParam(spec.name);
        if (given == nullptr)
            RaiseDatabaseError(QStringLiteral("Provider \"%s\" verwacht de parameter %s"),
                               {provider.name, spec.name});
        TParam& param = normalized.CreateParam(spec.type, spec.name);
        if (given->IsNull() ||
            (given->DataType() == TFieldType::WideString && given->AsString().trimmed().isEmpty()))
            continue;
        switch (spec.type) {
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

Table SqlBroker::open(const QString& providerName, const TParams& params, const QString& commandText) {
    const ProviderDef& def = provider(providerName);
    if (def.kind == ProviderDef::Kind::CommandText) {
        if (commandText.trimmed().isEmpty())
            RaiseDatabaseError(QStringLiteral("Provider \"%s\" heeft een opdrachttekst nodig"), {def.name});
        // A placeholder without a parameter would silently match nothing.
        for (const QString& name : NumberPlaceholders(commandText, connection_.dialect()).names)
            if (params.FindParam(name) == nullptr)
                RaiseDatabaseError(
                    QStringLiteral("De opdracht gebruikt :%s, maar die parameter is niet gegeven"), {name});
        return connection_.queryReadOnly(commandText, params);
    }
    const QString& sql = def.sqlFor(connection_.dialect());
    if (!def.splitKey.isEmpty())
        return connection_.queryInHalves(sql, def.splitKey, NormalizedParams(def, params), def.fields);
    return connection_.query(sql, NormalizedParams(def, params), def.fields);
}

void SqlBroker::stream(const QString& providerName, const TParams& params,
                       const Connection::RowBatches& batch) {
    const ProviderDef& def = provider(providerName);
    if (def.kind == ProviderDef::Kind::CommandText)
        RaiseDatabaseError(QStringLiteral("Provider \"%s\" heeft een opdrachttekst nodig"), {def.name});
    connection_.queryInBatches(def.sqlFor(connection_.dialect()), NormalizedParams(def, params), def.fields,
                               batch);
}

void SqlBroker::applyJobRow(const ProviderDef& def, const Delta& delta, const DeltaRow& row,
                            ApplyRowResult& result) {
    QStringList columns;
    QStringList assignments;
    BindList binds;
    for (std::size_t f = 0; f < delta.fields.size(); ++f) {
        const FieldDef& sent = delta.fields[f];
        const FieldDef* column = providerField(def, sent.name);
        if (column == nullptr)
            RaiseDatabaseError(QStringLiteral("Veld '%s' bestaat niet in provider \"%s\""),
                               {sent.name, def.name});
        if (column->name == QStringLiteral("J_ID") || (sent.providerFlags & pfInUpdate) == 0)
            continue;
        const QVariant& value = row.values[f];
        if (column->required && (value.isNull() || !value.isValid()))
            RaiseDatabaseError(QStringLiteral("Veld '%s' moet een waarde hebben"), {column->name});
        ToCell(*column, value); // refuses a value that does not fit the column
        columns << column->name;
        assignments << QStringLiteral("%1 = :P%2").arg(column->name).arg(binds.size() + 1);
        binds.push_back(BindValueOf(value, column->type));
    }
    const auto originalId = [&]() -> BindValue {
        for (std::size_t f = 0; f < delta.fields.size(); ++f)
            if (delta.fields[f].name.compare(QStringLiteral("J_ID"), Qt::CaseInsensitive) == 0)
                return BindValueOf(row.originals[f], TFieldType::Integer);
        RaiseDatabaseError(QStringLiteral("Het veld J_ID ontbreekt in de wijzigingen"));
    };
    if (row.kind == DeltaRow::Kind::Insert) {
        QStringList placeholders;
        for (std::size_t i = 0; i < binds.size(); ++i)
            placeholders << QStringLiteral(":P%1").arg(i + 1);
        const auto id =
            connection_.queryInteger(QStringLiteral("INSERT INTO JOBDATA (%1) VALUES (%2) RETURNING J_ID")
                                         .arg(columns.join(u','), placeholders.join(u',')),
                                     binds);
        result.assignedId = QVariant::fromValue<qint64>(id.value_or(0));
    } else if (row.kind == DeltaRow::Kind::Modify) {
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

ApplyResult SqlBroker::applyUpdates(const QString& providerName, const TParams&, const Delta& delta,
                                    int maxErrors) {
    const ProviderDef& def = provider(providerName);
    if (def.kind != ProviderDef::Kind::JobTable)
        RaiseDatabaseError(QStringLiteral("Provider \"%s\" kan geen wijzigingen bewaren"), {def.name});
    ApplyResult result;
    result.rows.resize(delta.rows.size());
    connection_.begin();
    try {
        for (std::size_t i = 0; i < delta.rows.size(); ++i) {
            connection_.execute(QStringLiteral("SAVEPOINT vorn_row"));
            try {
                applyJobRow(def, delta, delta.rows[i], result.rows[i]);
                connection_.execute(QStringLiteral("RELEASE SAVEPOINT vorn_row"));
            } catch (const EVornError& error) {
                connection_.execute(QStringLiteral("ROLLBACK TO SAVEPOINT vorn_row"));
                connection_.execute(QStringLiteral("RELEASE SAVEPOINT vorn_row"));
                result.rows[i] = ApplyRowResult{false, error.message(), {}};
                if (maxErrors >= 0 && ++result.errorCount > maxErrors)
                    break;
                if (maxErrors < 0)
                    ++result.errorCount; // any number may fail
            }
        }
        if (maxErrors >= 0 && result.errorCount > maxErrors) {
            connection_.rollback();
            result.rolledBack = true;
            for (ApplyRowResult& row : result.rows) {
                row.ok = false;
                row.assignedId = QVariant();
            }
            return result;
        }
        connection_.commit();
    } catch (...) {
        connection_.rollback();
        throw;
    }
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
    const std::int64_t removed = connection_.execute(QStringLiteral("DELETE FROM JOBDATA WHERE J_JOBID = :J"),
                                                     {BindValue{BindValue::Kind::Integer, jobId, {}}});
    return QStringLiteral("%1 rijen verwijderd").arg(removed);
}

} // namespace vorn::server
