#include "frmStatsUren.h"

namespace telmod {

TStatsPSUrenForm::TStatsPSUrenForm(QWidget* parent) : TPendingStatsForm(parent) {
    Declare(QStringLiteral("StatsPSUrenForm"), QStringLiteral("Ingerichte uren in ambt 6/7"),
            QStringLiteral("Statistieken"), QStringLiteral("TStatBrowseInstellingenForm"), QSize(715, 516));
}

const vorn::TFormClass& TStatsPSUrenForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatsPSUrenForm"),
                                            [] { return new TStatsPSUrenForm; });
    return formClass;
}

} // namespace telmod
