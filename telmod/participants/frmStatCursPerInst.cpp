#include "frmStatCursPerInst.h"

namespace telmod {

TStatCursistenPerInstellingForm::TStatCursistenPerInstellingForm(QWidget* parent)
    : TPendingStatsForm(parent) {
    Declare(QStringLiteral("Stat Cursisten per instelling"),
            QStringLiteral("Cursistenstatistieken per instelling"), QStringLiteral("Statistieken"),
            QStringLiteral("TStatBrowseOSPInstellingenForm"), QSize(701, 571));
    RefuseEdits();
    ReportDefs = {{QStringLiteral("Statistiek per klas"), QStringLiteral("ospstatklas.arf")},
                  {QStringLiteral("Statistiek per adm. groep"), QStringLiteral("ospstatadmgroep.arf")},
                  {QStringLiteral("Statistiek per eenheid"), QStringLiteral("ospstateenheid.arf")},
                  {QStringLiteral("Statistiek per opleiding"), QStringLiteral("ospstatopleiding.arf")},
                  {QStringLiteral("Statistiek per type vrijstelling inschrijfgeld"),
                   QStringLiteral("ospstatvrijstellingig.arf")},
                  {QStringLiteral("Statistiek per vestigingsplaats"), QStringLiteral("ospstatvestiging.arf")},
                  {QStringLiteral("Statistiek per lesplaats"), QStringLiteral("ospstatlesplaats.arf")}};
}

const vorn::TFormClass& TStatCursistenPerInstellingForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatCursistenPerInstellingForm"),
                                            [] { return new TStatCursistenPerInstellingForm; });
    return formClass;
}

} // namespace telmod
