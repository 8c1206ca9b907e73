#pragma once

#include "host/forms/browseform.h"
#include "host/forms/formmanager.h"

namespace telmod {

/// VWO centres for the course-participant statistics of the VWO regime.
class TStatBrowseVWOInstellingenForm : public vorn::TBrowseInstellingenForm {
    Q_OBJECT
public:
    explicit TStatBrowseVWOInstellingenForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();
};

} // namespace telmod
