#include "frmStatBrowseInstelling.h"

namespace telmod {

TStatBrowseInstellingenForm::TStatBrowseInstellingenForm(QWidget* parent) : TBrowseInstellingenForm(parent) {
    Caption = QStringLiteral("Stat Overzicht Instellingen");
    TabCaption = Caption;
    AddFormLink(QStringLiteral("TStatLLPerInstellingForm"), QStringLiteral("Leerlingen"));
    AddFormLink(QStringLiteral("TStatsPSUrenForm"), QStringLiteral("Ingerichte uren ambt 6/7"));
    AddFormLink(QStringLiteral("TStatsPSPopulatieForm"), QStringLiteral("Personeel - Populatie"));
    GBrowseInstelling->DefaultLink = QStringLiteral("Leerlingen");
}

const vorn::TFormClass& TStatBrowseInstellingenForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatBrowseInstellingenForm"),
                                            [] { return new TStatBrowseInstellingenForm; });
    return formClass;
}

} // namespace telmod
