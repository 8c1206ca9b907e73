#pragma once

#include "telmod/common/pendingscreen.h"

#include "host/forms/formmanager.h"

namespace telmod {

class TStatCursistenPerInstellingForm : public TPendingStatsForm {
    Q_OBJECT
public:
    explicit TStatCursistenPerInstellingForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();
};

} // namespace telmod
