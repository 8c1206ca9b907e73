#include "processservices.h"

namespace vorn {

namespace {

void Install(const TProcessServices& services) {
    if (services.broker)
        SetDefaultProviderBroker(*services.broker);
    if (services.schoolYears)
        SetSchoolYearDirectory(*services.schoolYears);
    if (services.host)
        SetHost(*services.host);
    if (services.errorReporter)
        SetErrorReporter(*services.errorReporter);
}

} // namespace

TProcessServices InstalledServices() {
    return {DefaultProviderBroker(), InstalledSchoolYearDirectory(), InstalledHost(),
            InstalledErrorReporter()};
}

bool NoServicesInstalled() {
    return DefaultProviderBroker() == nullptr && InstalledSchoolYearDirectory() == nullptr &&
           InstalledHost() == nullptr && !InstalledErrorReporter();
}

TServicesScope::TServicesScope(const TProcessServices& services) {
    // Only what it installs is put back: scopes of different services may end in any order.
    const TProcessServices installed = InstalledServices();
    if (services.broker)
        previous_.broker = installed.broker;
    if (services.schoolYears)
        previous_.schoolYears = installed.schoolYears;
    if (services.host)
        previous_.host = installed.host;
    if (services.errorReporter)
        previous_.errorReporter = installed.errorReporter;
    Install(services);
}

TServicesScope::~TServicesScope() {
    Install(previous_);
}

} // namespace vorn
