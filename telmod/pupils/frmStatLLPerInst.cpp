#include "frmStatLLPerInst.h"

namespace telmod {

TStatLLPerInstellingForm::TStatLLPerInstellingForm(QWidget* parent) : TPendingStatsForm(parent) {
    Declare(QStringLiteral("Stat Leerlingen per instelling"),
            QStringLiteral("Leerlingstatistieken per instelling"), QStringLiteral("Statistieken"),
            QStringLiteral("TStatBrowseInstellingenForm"), QSize(717, 571));
    ReportDefs = {{QStringLiteral("Statistieken leerlingen"), QStringLiteral("LLStatistieken.arf"), true}};
}

const vorn::TFormClass& TStatLLPerInstellingForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatLLPerInstellingForm"),
                                            [] { return new TStatLLPerInstellingForm; });
    return formClass;
}

} // namespace telmod
