#include "dlgSelectOSPStat.h"

#include "frmStatCursPerInst.h"

namespace telmod {

const QStringList& TSelectOSPStatForm::Items() {
    static const QStringList items = DialogItemsOf(OspCategories());
    return items;
}

TSelectOSPStatForm::TSelectOSPStatForm(QWidget* owner)
    : TSelectStatForm(owner, {QSize(394, 302), QSize(281, 210), 272, Items()}) {}

} // namespace telmod
