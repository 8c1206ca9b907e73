#include "dlgSelectVWOStat.h"

namespace telmod {

const QStringList& TSelectVWOStatForm::Items() {
    static const QStringList items{QStringLiteral("Per klas"),
                                   QStringLiteral("Per modulevariant"),
                                   QStringLiteral("Per module"),
                                   QStringLiteral("Per Opleidingsvariant"),
                                   QStringLiteral("Per opleiding"),
                                   QStringLiteral("Per tarief"),
                                   QStringLiteral("Per vestiging"),
                                   QStringLiteral("Per lesplaats"),
                                   QStringLiteral("Per Ingerichte modulevariant")};
    return items;
}

TSelectVWOStatForm::TSelectVWOStatForm(QWidget* owner)
    : TSelectStatForm(owner, {QSize(394, 338), QSize(281, 217), 308, Items()}) {}

} // namespace telmod
