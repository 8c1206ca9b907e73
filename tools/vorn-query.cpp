// vorn-query: opens one provider against the configured database and prints its rows as CSV.
#include "server/connection.h"
#include "server/migrations.h"
#include "server/providers.h"
#include "server/sqlbroker.h"

#include "host/data/cell.h"
#include "host/data/clientdataset.h"
#include "host/data/csv.h"
#include "host/data/errors.h"
#include "host/data/installpaths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <new>

using namespace vorn;

namespace {

const char* const Usage =
    "Gebruik:\n"
    "  vorn-query [--database DB] NAAM [PARAMETER=WAARDE ...]\n"
    "  vorn-query [--database DB] --sql OPDRACHT [PARAMETER=WAARDE ...]\n"
    "  vorn-query --list\n"
    "  vorn-query --version\n"
    "\n"
    "Schrijft de rijen van een provider als CSV (kop met veldnamen; datums als JJJJ-MM-DD).\n"
    "Een lege WAARDE laat de parameter leeg. --sql voert een alleen-lezende opdracht uit via DSPReports.\n"
    "DB: een SQLite-bestand of een PostgreSQL-verbinding (postgresql://... of host=... dbname=...);\n"
    "zonder --database geldt VORN_DATABASE, anders de ingebouwde databank. Een databank van een\n"
    "oudere versie wordt eerst bijgewerkt.\n";

QString typeName(TFieldType type) {
    switch (type) {
    case TFieldType::Date:
    case TFieldType::DateTime:
        return QStringLiteral("datum");
    case TFieldType::WideString:
    case TFieldType::String:
        return QStringLiteral("tekst");
    default:
        return QStringLiteral("geheel getal");
    }
}

void listProviders(QTextStream& out) {
    for (const server::ProviderDef& def : server::Providers()) {
        QStringList params;
        for (const server::ParamDefinition& parameter : def.params)
            params << QStringLiteral("%1 (%2)").arg(parameter.name, typeName(parameter.type));
        if (def.kind == server::ProviderDef::Kind::CommandText)
            params << QStringLiteral("de parameters van de opdracht (--sql)");
        out << def.name << '\t' << (params.isEmpty() ? QStringLiteral("-") : params.join(", ")) << '\t'
            << def.description << '\n';
    }
}

/// A command-line value typed as what it looks like: an integer, an ISO date or text.
void setTyped(TParam& param, const QString& value) {
    bool isInteger = false;
    const qint64 number = value.toLongLong(&isInteger);
    static const QRegularExpression isoDate(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    if (value.isEmpty())
        param.Clear();
    else if (isInteger)
        param.SetAsInteger(number);
    else if (isoDate.match(value).hasMatch()) {
        const QDate date = QDate::fromString(value, Qt::ISODate);
        if (!date.isValid())
            RaiseClientError("%s=%s is geen bestaande datum (JJJJ-MM-DD)", param.Name(), value);
        param.SetAsDate(DateToDateTime(date));
    } else
        param.SetAsString(value);
}

/// Sets the PARAMETER=WAARDE assignments; answers the names that were given.
QStringList assignParameters(TVornClientDataSet& dataSet, const server::ProviderDef* def,
                             const QStringList& assignments) {
    QStringList given;
    for (const QString& assignment : assignments) {
        const qsizetype equals = assignment.indexOf(u'=');
        if (equals <= 0)
            RaiseClientError("'%s' is geen PARAMETER=WAARDE", assignment);
        const QString name = assignment.left(equals).trimmed();
        const QString value = assignment.mid(equals + 1).trimmed();
        TParam* param = dataSet.Params().FindParam(name);
        if (param == nullptr && def != nullptr) {
            QStringList known;
            for (const server::ParamDefinition& parameter : def->params)
                known << parameter.name;
            RaiseClientError("Provider \"%s\" kent geen parameter %s (verwacht: %s)", def->name, name,
                             known.isEmpty() ? QStringLiteral("geen") : known.join(", "));
        }
        if (param == nullptr)
            RaiseClientError("De opdracht heeft geen parameter %s", name);
        if (given.contains(name, Qt::CaseInsensitive))
            RaiseClientError("De parameter %s is twee keer gegeven", name);
        setTyped(*param, value);
        given << name;
    }
    return given;
}

/// Rows as CSV, written batch by batch as they are read: memory stays flat whatever their number.
/// `read` hands the batches to the writer it is given; `columns` names them when none came.
void writeStreamed(const std::function<void(const server::Connection::RowBatches&)>& read,
                   const std::vector<FieldDef>& columns, QTextStream& out) {
    bool header = true;
    read([&](const Table& rows) {
        if (header) {
            QStringList names;
            for (const FieldDef& field : rows.fields)
                names << CsvField(field.name);
            out << names.join(u',') << '\n';
            header = false;
        }
        for (std::size_t row = 0; row < rows.rowCount(); ++row) {
            QStringList cells;
            for (std::size_t c = 0; c < rows.fields.size(); ++c)
                cells << CsvField(CellText(rows.fields[c], CellAt(rows.columns[c], row)));
            out << cells.join(u',') << '\n';
        }
        if (out.status() != QTextStream::Ok)
            RaiseClientError("Kon de rijen niet volledig schrijven");
    });
    if (header) { // no rows: the header alone, as for an empty dataset
        QStringList names;
        for (const FieldDef& field : columns)
            names << CsvField(field.name);
        out << names.join(u',') << '\n';
    }
}

/// Raises when what went to standard output did not all get there (a full disk, a closed pipe).
void checkWritten(QTextStream& out) {
    out.flush();
    if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
        RaiseClientError("Kon de uitvoer niet volledig schrijven");
}

int run(const QStringList& arguments) {
    QTextStream out(stdout);
    QStringList rest = arguments;
    QString database;
    QString sql;
    while (!rest.isEmpty() &&
           (rest.first().startsWith(QStringLiteral("--")) || rest.first() == QLatin1String("-h"))) {
        const QString option = rest.takeFirst();
        if (option == QStringLiteral("--help") || option == QStringLiteral("-h")) {
            out << Usage;
            checkWritten(out);
            return 0;
        }
        if (option == QStringLiteral("--version")) {
            out << "vorn-query " << ProgramVersion() << '\n';
            checkWritten(out);
            return 0;
        }
        if (option == QStringLiteral("--list")) {
            listProviders(out);
            checkWritten(out);
            return 0;
        }
        if ((option == QStringLiteral("--database") || option == QStringLiteral("--sql")) &&
            !rest.isEmpty()) {
            (option == QStringLiteral("--database") ? database : sql) = rest.takeFirst();
            continue;
        }
        QTextStream(stderr) << Usage;
        return 2;
    }
    if (sql.isEmpty() && rest.isEmpty()) {
        QTextStream(stderr) << Usage;
        return 2;
    }
    const server::ConnectionSettings settings = database.isEmpty()
                                                    ? server::ConnectionSettings::fromEnvironment()
                                                    : server::ConnectionSettings::parse(database);
    if (settings.dialect == server::Dialect::SQLite && !QFileInfo::exists(settings.target))
        RaiseClientError("De databank '%s' bestaat niet; maak ze aan met vorn-demo of ./run.sh",
                         settings.target);
    server::OpenedDatabase opened = server::OpenAndUpgrade(settings);
    if (const QString upgraded = server::UpgradeMessage(opened.upgrade); !upgraded.isEmpty())
        QTextStream(stderr) << "vorn-query: " << upgraded << '\n';
    const auto connection = std::move(opened.connection);
    // Support staff's own statements: five minutes, as reports had before limits were settable.
    connection->setReadOnlyLimits(
        {300,
         {},
         {},
         1024,
         QStringLiteral("in vorn-query zelf (300 s en 1024 MB); voor meer: psql of sqlite3")});
    server::SqlBroker broker(*connection);

    const QString providerName = sql.isEmpty() ? rest.takeFirst() : QStringLiteral("DSPReports");
    const server::ProviderDef* def = server::FindProvider(providerName);
    if (def == nullptr)
        RaiseClientError("Onbekende provider \"%s\"; vorn-query --list toont ze allemaal", providerName);
    TVornClientDataSet dataSet(providerName, &broker);
    dataSet.SetProviderName(def->name);
    if (!sql.isEmpty())
        dataSet.SetCommandText(sql);
    for (const server::ParamDefinition& parameter : def->params)
        if (dataSet.Params().FindParam(parameter.name) == nullptr)
            dataSet.Params().CreateParam(parameter.type, parameter.name);
    const QStringList given = assignParameters(dataSet, sql.isEmpty() ? def : nullptr, rest);
    // Every parameter of a statement must be named too; an empty value leaves it empty on purpose.
    for (int i = 0; i < dataSet.Params().Count(); ++i) {
        const QString name = dataSet.Params().Items(i).Name();
        if (!given.contains(name, Qt::CaseInsensitive))
            RaiseClientError("De opdracht verwacht de parameter %s (geef %s= voor een lege waarde)", name,
                             name);
    }
    for (const server::ParamDefinition& parameter : def->params)
        if (!given.contains(parameter.name, Qt::CaseInsensitive))
            RaiseClientError("Provider \"%s\" verwacht de parameter %s (geef %s= voor een lege waarde)",
                             def->name, parameter.name, parameter.name);
    if (sql.isEmpty())
        writeStreamed(
            [&](const server::Connection::RowBatches& batch) {
                broker.stream(def->name, dataSet.Params(), batch);
            },
            def->fields, out);
    else
        writeStreamed(
            [&](const server::Connection::RowBatches& batch) {
                broker.streamCommand(def->name, dataSet.Params(), sql, batch);
            },
            {}, out);
    // A full disk or a closed pipe must not pass for a complete answer.
    checkWritten(out);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    try {
        return run(app.arguments().mid(1));
    } catch (const EVornError& error) {
        QTextStream(stderr) << "vorn-query: " << error.message() << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        QTextStream(stderr) << "vorn-query: " << OutOfMemoryMessage() << '\n';
        return 1;
    }
}
