#pragma once

#include "selectstatdialog.h"

namespace telmod {

/// Asks which statistic of the VWO screen to print when the report's description names none.
class TSelectVWOStatForm : public TSelectStatForm {
    Q_OBJECT
public:
    explicit TSelectVWOStatForm(QWidget* owner);
    static const QStringList& Items();
};

} // namespace telmod
