#include "frmCubeStats.h"

namespace telmod {

TOLAPStatsForm::TOLAPStatsForm(QWidget* parent) : TPendingStatsForm(parent) {
    Declare(QStringLiteral("Struc Schoolstatistieken"), QStringLiteral("Statistieken"),
            QStringLiteral("Stats"), QStringLiteral("TStatBrowseInstellingenForm"), QSize(640, 480));
    ReportDefs = {{QStringLiteral("Afdruk rooster"), QString()}};
}

const vorn::TFormClass& TOLAPStatsForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TOLAPStatsForm"),
                                            [] { return new TOLAPStatsForm; });
    return formClass;
}

} // namespace telmod
