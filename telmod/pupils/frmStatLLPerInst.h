#pragma once

#include "telmod/common/pendingscreen.h"

#include "host/forms/formmanager.h"

namespace telmod {

class TStatLLPerInstellingForm : public TPendingStatsForm {
    Q_OBJECT
public:
    explicit TStatLLPerInstellingForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();
};

} // namespace telmod
