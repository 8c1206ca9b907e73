#pragma once

#include <QString>
#include <functional>

namespace vorn {

// How a control runs the handlers it is given: an error a handler raises is shown to the user and
// never passed to Qt. The controls own this; the host installs how an error is shown.

/// Shows an error to the user; the main window installs a message box, tests record the text.
void SetErrorReporter(std::function<void(const QString&)> reporter);
/// The installed reporter; empty when errors go to the log.
std::function<void(const QString&)> InstalledErrorReporter();
void ReportError(const QString& message);
/// Runs a handler the way the host runs every event: an error is shown, never passed to Qt.
void RunGuarded(const std::function<void()>& handler);

} // namespace vorn
