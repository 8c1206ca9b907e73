#pragma once

#include "hostservices.h"

#include "host/data/provider.h"
#include "host/data/schoolyear.h"

#include <QString>
#include <functional>
#include <optional>

namespace vorn {

/// What the host offers every screen of the process: the provider broker of datasets that name
/// none, the server's school years, the host services (status, cursor, work date, job ids) and how
/// an error is shown. A field left empty keeps what is installed.
struct TProcessServices {
    std::optional<IProviderBroker*> broker = std::nullopt;
    std::optional<ISchoolYearDirectory*> schoolYears = std::nullopt;
    std::optional<IHostServices*> host = std::nullopt;
    std::optional<std::function<void(const QString&)>> errorReporter = std::nullopt;
};

/// The services as installed now.
TProcessServices InstalledServices();
/// Whether nothing is installed: no broker, school years, host or error reporter.
bool NoServicesInstalled();

/// Installs services for as long as it lives and puts back what was installed before in their
/// place, also when its owner fails: a test, a command-line run or a database session cannot leave
/// its services behind for the next. Scopes of the same service end in the reverse order of their
/// start.
class TServicesScope {
public:
    explicit TServicesScope(const TProcessServices& services);
    ~TServicesScope();
    TServicesScope(const TServicesScope&) = delete;
    TServicesScope& operator=(const TServicesScope&) = delete;

private:
    TProcessServices previous_;
};

} // namespace vorn
