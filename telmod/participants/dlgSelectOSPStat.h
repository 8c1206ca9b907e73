#pragma once

#include "selectstatdialog.h"

namespace telmod {

/// Asks which statistic of the OSP screen to print when the report's description names none.
class TSelectOSPStatForm : public TSelectStatForm {
    Q_OBJECT
public:
    explicit TSelectOSPStatForm(QWidget* owner);
    static const QStringList& Items();
};

} // namespace telmod
