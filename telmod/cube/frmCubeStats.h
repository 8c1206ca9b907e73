#pragma once

#include "telmod/common/pendingscreen.h"

#include "host/forms/formmanager.h"

namespace telmod {

class TOLAPStatsForm : public TPendingStatsForm {
    Q_OBJECT
public:
    explicit TOLAPStatsForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();
};

} // namespace telmod
