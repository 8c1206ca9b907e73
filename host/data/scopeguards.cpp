#include "scopeguards.h"

#include "clientdataset.h"

namespace vorn {

TControlsDisabled::TControlsDisabled(TVornClientDataSet& dataSet)
    : dataSet_(dataSet), errors_(std::uncaught_exceptions()) {
    dataSet_.DisableControls();
}

TControlsDisabled::~TControlsDisabled() noexcept(false) {
    if (std::uncaught_exceptions() == errors_) {
        dataSet_.EnableControls();
        return;
    }
    try {
        dataSet_.EnableControls();
    } catch (...) {
    }
}

} // namespace vorn
