#pragma once

#include "telmod/common/pendingscreen.h"

#include "host/forms/formmanager.h"

namespace telmod {

class TStatsPSPopulatieForm : public TPendingStatsForm {
    Q_OBJECT
public:
    explicit TStatsPSPopulatieForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();
};

} // namespace telmod
