#include "guardedevents.h"

#include "host/data/errors.h"

#include <QDebug>
#include <exception>
#include <new>

namespace vorn {

namespace {

std::function<void(const QString&)>& errorReporter() {
    static std::function<void(const QString&)> reporter;
    return reporter;
}

} // namespace

void SetErrorReporter(std::function<void(const QString&)> reporter) {
    errorReporter() = std::move(reporter);
}

std::function<void(const QString&)> InstalledErrorReporter() {
    return errorReporter();
}

void ReportError(const QString& message) {
    if (errorReporter())
        errorReporter()(message);
    else
        qWarning().noquote() << message;
}

void RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const EVornError& error) {
        ReportError(error.message());
    } catch (const std::bad_alloc&) {
        ReportError(OutOfMemoryMessage());
    } catch (const std::exception& error) {
        ReportError(QString::fromUtf8(error.what()));
    }
}

} // namespace vorn
