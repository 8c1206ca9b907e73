#include "waitcursor.h"

#include "host/data/errors.h"
#include "host/forms/hostservices.h"

#include <QApplication>

namespace vorn {

TWaitCursor::TWaitCursor() {
    try {
        Host().PushCursor(Qt::WaitCursor);
        throughHost_ = true;
    } catch (const EVornError&) {
        // No client around (a test, a command-line export): the application shows it.
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

TWaitCursor::~TWaitCursor() {
    if (throughHost_)
        Host().PopCursor();
    else
        QApplication::restoreOverrideCursor();
}

} // namespace vorn
