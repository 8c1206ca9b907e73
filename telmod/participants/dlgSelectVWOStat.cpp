#include "dlgSelectVWOStat.h"

#include "frmStatVWOCursPerInst.h"

namespace telmod {

const QStringList& TSelectVWOStatForm::Items() {
    static const QStringList items = DialogItemsOf(VwoCategories());
    return items;
}

TSelectVWOStatForm::TSelectVWOStatForm(QWidget* owner)
    : TSelectStatForm(owner, {QSize(394, 338), QSize(281, 217), 308, Items()}) {}

} // namespace telmod
