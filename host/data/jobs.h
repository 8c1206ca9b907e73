#pragma once

#include <QString>
#include <QVariant>

namespace vorn {

/// The server's job table: temporary rows written under a job id for a report.
class IJobService {
public:
    virtual ~IJobService() = default;
    /// A new job id from the server's sequence; two clients never get the same one.
    virtual int newJobId() = 0;
    /// Removes the temporary rows of a job; answers a text the callers may ignore.
    virtual QString cleanJob(int jobKind, int jobId, const QVariant& extra) = 0;
};

} // namespace vorn
