#include "participantbrowse.h"

namespace telmod {

void SetParticipantBrowseFields(vorn::TBrowseInstellingenForm& form) {
    vorn::TVornClientDataSet& list = form.CDSBrowseInstelling;
    for (const char* name : {"IS_CODE", "SC_INSTELLINGSNUMMER", "IS_NAAMGEBRUIKER", "SC_NAAM",
                             "GM_POSTNUMMER", "GM_DEELGEMEENTE", "SC_GEMEENTE_FK"})
        list.FieldByName(name).SetProviderFlags(vorn::pfInUpdate);
    list.FieldByName("IS_ID").SetProviderFlags(vorn::pfInUpdate | vorn::pfInKey);
    vorn::TField& school = list.FieldByName("SC_ID");
    school.SetProviderFlags(vorn::pfInUpdate);
    school.SetDisplayLabel(QStringLiteral("School ID"));
    school.SetVisible(false);
    list.FieldByName("IS_FLAGS").SetDisplayLabel(QStringLiteral("Flags"));
}

} // namespace telmod
