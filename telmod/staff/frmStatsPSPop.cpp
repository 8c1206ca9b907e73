#include "frmStatsPSPop.h"

namespace telmod {

TStatsPSPopulatieForm::TStatsPSPopulatieForm(QWidget* parent) : TPendingStatsForm(parent) {
    Declare(QStringLiteral("Stat Personeel populatie"), QStringLiteral("Personeelspopulatie"),
            QStringLiteral("Statistieken"), QStringLiteral("TStatBrowseInstellingenForm"), QSize(798, 518));
}

const vorn::TFormClass& TStatsPSPopulatieForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatsPSPopulatieForm"),
                                            [] { return new TStatsPSPopulatieForm; });
    return formClass;
}

} // namespace telmod
