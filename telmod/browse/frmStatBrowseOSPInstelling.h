#pragma once

#include "host/forms/browseform.h"
#include "host/forms/formmanager.h"

namespace telmod {

/// Adult-education centres (CVO) for the course-participant statistics.
class TStatBrowseOSPInstellingenForm : public vorn::TBrowseInstellingenForm {
    Q_OBJECT
public:
    explicit TStatBrowseOSPInstellingenForm(QWidget* parent = nullptr);
    static const vorn::TFormClass& Class();
};

} // namespace telmod
