#include "hostservices.h"

#include "host/data/errors.h"

namespace vorn {

namespace {
IHostServices* installedHost = nullptr;
}

void SetHost(IHostServices* host) {
    installedHost = host;
}

IHostServices* InstalledHost() {
    return installedHost;
}

bool HostInstalled() {
    return installedHost != nullptr;
}

IHostServices& Host() {
    if (installedHost == nullptr)
        RaiseClientError("Het scherm draait buiten de client");
    return *installedHost;
}

BusyScope::BusyScope(const QString& status) {
    Host().PushStatus(status);
    Host().PushCursor(Qt::WaitCursor);
}

BusyScope::~BusyScope() {
    Host().PopCursor();
    Host().PopStatus();
}

} // namespace vorn
