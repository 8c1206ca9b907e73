#include "frmStatVWOCursPerInst.h"

namespace telmod {

TStatVWOCursistenPerInstellingForm::TStatVWOCursistenPerInstellingForm(QWidget* parent)
    : TPendingStatsForm(parent) {
    Declare(QStringLiteral("VWO Statistieken: Cursisten per instelling"),
            QStringLiteral("Cursistenstatistieken per instelling"), QStringLiteral("Statistieken"),
            QStringLiteral("TStatBrowseVWOInstellingenForm"), QSize(701, 571));
    RefuseEdits();
    ReportDefs = {
        {QStringLiteral("Statistiek per klas"), QStringLiteral("vwostatklas.arf")},
        {QStringLiteral("Statistiek per modulevariant"), QStringLiteral("vwostatmodulevariant.arf")},
        {QStringLiteral("Statistiek per module"), QStringLiteral("vwostatmodule.arf")},
        {QStringLiteral("Statistiek per opleidingsvariant"), QStringLiteral("vwostatopleidingsvariant.arf")},
        {QStringLiteral("Statistiek per opleiding"), QStringLiteral("vwostatopleiding.arf")},
        {QStringLiteral("Statistiek per tarief"), QStringLiteral("vwostattarieven.arf")},
        {QStringLiteral("Statistiek per vestigingsplaats"), QStringLiteral("vwostatvestiging.arf")},
        {QStringLiteral("Statistiek per lesplaats"), QStringLiteral("vwostatlesplaats.arf")},
        {QStringLiteral("Statistiek per ingerichte modulevariant"),
         QStringLiteral("vwostatingmodulevariant.arf")}};
}

const vorn::TFormClass& TStatVWOCursistenPerInstellingForm::Class() {
    static const vorn::TFormClass formClass(QStringLiteral("TStatVWOCursistenPerInstellingForm"),
                                            [] { return new TStatVWOCursistenPerInstellingForm; });
    return formClass;
}

} // namespace telmod
