#include "regtelmod.h"

#include "telmod/browse/frmStatBrowseInstelling.h"
#include "telmod/browse/frmStatBrowseOSPInstelling.h"
#include "telmod/browse/frmStatBrowseVWOInstelling.h"
#include "telmod/cube/frmCubeStats.h"
#include "telmod/participants/frmStatVWOCursPerInst.h"
#include "telmod/pupils/frmStatLLPerInst.h"
#include "telmod/staff/frmStatsPSPop.h"
#include "telmod/staff/frmStatsUren.h"

#include "host/forms/formmanager.h"

namespace telmod {

void RegisterForm(const vorn::TFormClass& formClass, const QString& group, const QString& menuPath) {
    const QString module = QStringLiteral("telmod");
    if (menuPath.isEmpty())
        vorn::FormManager().RegisterModuleForm(formClass, module, QString(), QString());
    else
        vorn::FormManager().RegisterModuleForm(formClass, module, group, menuPath);
}

void RegisterForms() {
    RegisterForm(TStatBrowseInstellingenForm::Class(), QString(), QString());
    RegisterForm(TStatBrowseOSPInstellingenForm::Class(), QString(), QString());
    RegisterForm(TStatBrowseVWOInstellingenForm::Class(), QString(), QString());
    RegisterForm(TStatLLPerInstellingForm::Class(), QStringLiteral("Leerlingen"),
                 QStringLiteral("Statistieken|Ingeschreven Leerlingen"));
    RegisterForm(TStatsPSUrenForm::Class(), QStringLiteral("Personeel"),
                 QStringLiteral("Statistieken|Ingerichte uren voor ambt 6/7"));
    RegisterForm(TStatsPSPopulatieForm::Class(), QStringLiteral("Personeel"),
                 QStringLiteral("Statistieken|Samenstelling Personeel"));
    RegisterForm(TStatVWOCursistenPerInstellingForm::Class(), QStringLiteral("VWO"),
                 QStringLiteral("Statistieken|Ingeschreven cursisten"));
    RegisterForm(TOLAPStatsForm::Class(), QStringLiteral("Schoolstructuur"),
                 QStringLiteral("Hulpschermen|Statistieken"));
}

} // namespace telmod
