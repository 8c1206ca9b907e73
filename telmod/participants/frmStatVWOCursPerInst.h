#pragma once

#include "telmod/common/pendingscreen.h"

#include "host/forms/formmanager.h"

namespace telmod {

class TStatVWOCursistenPerInstellingForm : public TPendingStatsForm {
    Q_OBJECT
public:
    explicit TStatVWOCursistenPerInstellingForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();
};

} // namespace telmod
