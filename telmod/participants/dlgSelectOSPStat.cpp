#include "dlgSelectOSPStat.h"

namespace telmod {

const QStringList& TSelectOSPStatForm::Items() {
    static const QStringList items{QStringLiteral("Per klas"),
                                   QStringLiteral("Per eenheid"),
                                   QStringLiteral("Per adm. groep"),
                                   QStringLiteral("Per Opleiding"),
                                   QStringLiteral("Per Studiegebied"),
                                   QStringLiteral("Per type vrijstelling inschrijfgeld"),
                                   QStringLiteral("Per vestigingsplaats"),
                                   QStringLiteral("Per lesplaats")};
    return items;
}

TSelectOSPStatForm::TSelectOSPStatForm(QWidget* owner)
    : TSelectStatForm(owner, {QSize(394, 302), QSize(281, 210), 272, Items()}) {}

} // namespace telmod
