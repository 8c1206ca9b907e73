#pragma once

#include "host/forms/browseform.h"
#include "host/forms/formmanager.h"

namespace telmod {

/// Institutions for the pupil and staff statistics.
class TStatBrowseInstellingenForm : public vorn::TBrowseInstellingenForm {
    Q_OBJECT
public:
    explicit TStatBrowseInstellingenForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();
};

} // namespace telmod
