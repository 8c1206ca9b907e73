#include "frmStatBrowseOSPInstelling.h"

#include "participantbrowse.h"

namespace telmod {

TStatBrowseOSPInstellingenForm::TStatBrowseOSPInstellingenForm(QWidget* parent)
    : TBrowseInstellingenForm(parent) {
    Caption = QStringLiteral("Stat Overzicht CVO instellingen");
    TabCaption = Caption;
    CDSBrowseInstelling.SetProviderName(QStringLiteral("DSPBrowseOSPInstellingen"));
    SetParticipantBrowseFields(*this);
    AddFormLink(QStringLiteral("TStatCursistenPerInstellingForm"), QStringLiteral("Statistieken cursisten"));
    GBrowseInstelling->DefaultLink = QStringLiteral("Statistieken cursisten");
}

const vorn::TFormClass& TStatBrowseOSPInstellingenForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatBrowseOSPInstellingenForm"),
                                            [] { return new TStatBrowseOSPInstellingenForm; });
    return formClass;
}

} // namespace telmod
