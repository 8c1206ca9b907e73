#pragma once

#include "host/controls/guardedevents.h"
#include "host/data/datetime.h"

#include <QString>
#include <QVariant>
#include <Qt>
#include <functional>

namespace vorn {

/// What the host client offers every screen: work date, status line and cursor stacks, job ids.
/// The main window implements it; tests install a small one of their own.
class IHostServices {
public:
    virtual ~IHostServices() = default;
    virtual TDateTime WerkDatum() const = 0;
    virtual void PushStatus(const QString& text) = 0;
    virtual void PopStatus() = 0;
    virtual void PushCursor(Qt::CursorShape cursor) = 0;
    virtual void PopCursor() = 0;
    virtual int GetJobID() = 0;
    virtual QString CleanJob(int jobKind, int jobId, const QVariant& extra) = 0;
};

void SetHost(IHostServices* host);
/// The installed host; null when there is none.
IHostServices* InstalledHost();

/// The installed host; raises when there is none.
IHostServices& Host();
bool HostInstalled();

/// Pushes a status text and the wait cursor, and pops both when it goes out of scope.
class BusyScope {
public:
    explicit BusyScope(const QString& status);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

} // namespace vorn
