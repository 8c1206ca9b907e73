#pragma once

#include "telmod/common/pendingscreen.h"

#include "host/forms/formmanager.h"

namespace telmod {

class TStatsPSUrenForm : public TPendingStatsForm {
    Q_OBJECT
public:
    explicit TStatsPSUrenForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();
};

} // namespace telmod
