#pragma once

#include "connection.h"
#include "providers.h"

#include "host/data/jobs.h"
#include "host/data/provider.h"
#include "host/data/schoolyear.h"

#include <set>

namespace vorn::server {

/// The application server in the client's process: answers the named providers from the database,
/// applies job rows, and serves the school-year and job-id functions of the host.
class SqlBroker : public IProviderBroker, public ISchoolYearDirectory, public IJobService {
public:
    explicit SqlBroker(Connection& connection) : connection_(connection) {}

    Table open(const QString& providerName, const TParams& params, const QString& commandText) override;
    /// As open() for a provider with its own statement, but the rows go to `batch` a few thousand at a
    /// time, so that a result of any size needs the memory of one batch.
    void stream(const QString& providerName, const TParams& params, const Connection::RowBatches& batch);
    /// The read-only statement of a command-text provider (DSPReports), streamed as stream() does.
    void streamCommand(const QString& providerName, const TParams& params, const QString& commandText,
                       const Connection::RowBatches& batch);
    ApplyResult applyUpdates(const QString& providerName, const TParams& params, const Delta& delta,
                             int maxErrors) override;
    int schoolYearId(int number) override;
    int newJobId() override;
    QString cleanJob(int jobKind, int jobId, const QVariant& extra) override;

    /// The client's parameters checked against the provider's and converted to their types.
    static TParams NormalizedParams(const ProviderDef& provider, const TParams& params);

private:
    const ProviderDef& provider(const QString& name) const;
    /// A command text must be given, and every parameter it names.
    void checkCommand(const ProviderDef& provider, const TParams& params, const QString& commandText);
    /// The connection a provider reads from: the standby for statistics and reports, this one for job rows.
    Connection& readerFor(const ProviderDef& def);
    /// Which of a delta's fields a job row writes, to which column of the provider: the same for
    /// every row of the delta, so worked out once.
    struct JobColumnPlan {
        QStringList names;                 // the columns a row writes, J_ID not among them
        std::vector<std::size_t> fields;   // for each, the delta's field
        std::vector<const FieldDef*> defs; // for each, the provider's column
    };
    JobColumnPlan jobColumnPlan(const ProviderDef& provider, const Delta& delta);
    /// The values of a job row, checked against the provider's columns.
    static BindList jobBinds(const JobColumnPlan& plan, const DeltaRow& row);
    /// Inserts every row of the delta with one statement prepared once; `failedRow` is the row that
    /// made it fail.
    void insertJobRowsTogether(const JobColumnPlan& plan, const Delta& delta, ApplyResult& result,
                               std::size_t& failedRow);
    static std::set<int> jobIdsOf(const Delta& delta);
    void applyJobRow(const JobColumnPlan& plan, const Delta& delta, const DeltaRow& row,
                     ApplyRowResult& result);

    Connection& connection_;
};

} // namespace vorn::server
