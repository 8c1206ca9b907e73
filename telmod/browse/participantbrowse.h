#pragma once

#include "host/forms/browseform.h"

namespace telmod {

/// The settings both course-participant browse screens give the institution list.
void SetParticipantBrowseFields(vorn::TBrowseInstellingenForm& form);

} // namespace telmod
