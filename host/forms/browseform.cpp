#include "browseform.h"

#include <QVBoxLayout>

namespace vorn {

TBrowseInstellingenForm::TBrowseInstellingenForm(QWidget* parent)
    : TVornDBForm(parent), GBrowseInstelling(new TVornDBgrid(this)),
      DSBrowseInstelling(new TVornDatasource(this)) {
    Caption = QStringLiteral("Overzicht instellingen");
    TabCaption = QStringLiteral("Instellingen");
    DesignSize = QSize(640, 420);
    CDSBrowseInstelling.SetProviderName(QStringLiteral("DSPBrowseInstellingen"));
    CDSBrowseInstelling.IDField = QStringLiteral("IS_ID");
    CDSBrowseInstelling.AddField(FieldDef::wideString("IS_CODE", 5).label("Code").req());
    CDSBrowseInstelling.AddField(
        FieldDef::wideString("SC_INSTELLINGSNUMMER", 6).label("Instellingsnr.").req());
    CDSBrowseInstelling.AddField(FieldDef::wideString("IS_NAAMGEBRUIKER", 80).label("Naam").width(36));
    CDSBrowseInstelling.AddField(FieldDef::wideString("SC_NAAM", 120).label("School").width(30));
    CDSBrowseInstelling.AddField(FieldDef::wideString("GM_POSTNUMMER", 10).label("Postnr.").width(7));
    CDSBrowseInstelling.AddField(FieldDef::wideString("GM_DEELGEMEENTE", 80).label("Gemeente").width(20));
    CDSBrowseInstelling.AddField(FieldDef::integer("IS_ID").label("ID").hidden().req());
    CDSBrowseInstelling.AddField(FieldDef::integer("SC_GEMEENTE_FK").label("Gemeente ID").hidden());
    CDSBrowseInstelling.AddField(FieldDef::integer("SC_ID").label("School ID").hidden().req());
    CDSBrowseInstelling.AddField(FieldDef::integer("IS_FLAGS").label("Flags").hidden());
    RegisterDataSet(&CDSBrowseInstelling);
    DSBrowseInstelling->setObjectName(QStringLiteral("DSBrowseInstelling"));
    DSBrowseInstelling->SetDataSet(&CDSBrowseInstelling);
    MainDataSource = DSBrowseInstelling;

    GBrowseInstelling->setObjectName(QStringLiteral("GBrowseInstelling"));
    GBrowseInstelling->GetActiveDBView()->SetDataSource(DSBrowseInstelling);
    connect(DSBrowseInstelling, &TVornDatasource::activeChanged, this, [this](bool active) {
        if (active)
            GBrowseInstelling->GetActiveDBView()->CreateAllItems(true);
    });
    connect(GBrowseInstelling, &TVornDBgrid::defaultLinkRequested, this, &TVornDBForm::linkRequested);
    // The list takes the keys from the start: Down moves through it, Enter follows the default link.
    InitialFocus = GBrowseInstelling;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(GBrowseInstelling);
}

void TBrowseInstellingenForm::AddFormLink(const QString& detailForm, const QString& displayName) {
    FormLinks.push_back({detailForm, displayName, DSBrowseInstelling, false});
}

} // namespace vorn
