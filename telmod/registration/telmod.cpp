// The module's entry points, found by the host's module loader by these C names.
#include "regtelmod.h"

#include "telmod/browse/frmStatBrowseInstelling.h"
#include "telmod/browse/frmStatBrowseOSPInstelling.h"
#include "telmod/browse/frmStatBrowseVWOInstelling.h"
#include "telmod/cube/frmCubeStats.h"
#include "telmod/participants/frmStatCursPerInst.h"
#include "telmod/participants/frmStatVWOCursPerInst.h"
#include "telmod/pupils/frmStatLLPerInst.h"
#include "telmod/staff/frmStatsPSPop.h"
#include "telmod/staff/frmStatsUren.h"

#include <array>

extern "C" const char* vorn_module_name() {
    return "telmod";
}

/// Every screen class of the module, so the host finds them by name (form links, default browse
/// screens); this files nothing with the form manager.
extern "C" int vorn_module_classes(const vorn::TFormClass* const** classes) {
    static const std::array<const vorn::TFormClass*, 9> list{
        &telmod::TStatBrowseInstellingenForm::Class(),
        &telmod::TStatBrowseOSPInstellingenForm::Class(),
        &telmod::TStatBrowseVWOInstellingenForm::Class(),
        &telmod::TStatLLPerInstellingForm::Class(),
        &telmod::TStatsPSUrenForm::Class(),
        &telmod::TStatsPSPopulatieForm::Class(),
        &telmod::TStatCursistenPerInstellingForm::Class(),
        &telmod::TStatVWOCursistenPerInstellingForm::Class(),
        &telmod::TOLAPStatsForm::Class()};
    *classes = list.data();
    return static_cast<int>(list.size());
}

/// The module's start-up: the registration, once per load. A failure propagates to the loader.
extern "C" void vorn_module_startup() {
    telmod::RegisterForms();
}
