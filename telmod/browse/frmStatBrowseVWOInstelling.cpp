#include "frmStatBrowseVWOInstelling.h"

#include "participantbrowse.h"

namespace telmod {

TStatBrowseVWOInstellingenForm::TStatBrowseVWOInstellingenForm(QWidget* parent)
    : TBrowseInstellingenForm(parent) {
    Caption = QStringLiteral("VWO Statistieken: Overzicht VWO instellingen");
    TabCaption = Caption;
    CDSBrowseInstelling.SetProviderName(QStringLiteral("DSPBrowseVWOInstellingen"));
    SetParticipantBrowseFields(*this);
    AddFormLink(QStringLiteral("TStatVWOCursistenPerInstellingForm"),
                QStringLiteral("Statistieken cursisten"));
    GBrowseInstelling->DefaultLink = QStringLiteral("Statistieken cursisten");
}

const vorn::TFormClass& TStatBrowseVWOInstellingenForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatBrowseVWOInstellingenForm"),
                                            [] { return new TStatBrowseVWOInstellingenForm; });
    return formClass;
}

} // namespace telmod
