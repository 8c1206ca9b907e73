#pragma once

#include <QString>

namespace vorn {
class TFormClass;
}

namespace telmod {

/// Files one screen with the host's form manager under the module name "telmod". A screen without
/// a menu path is filed without a group, whatever group was given.
void RegisterForm(const vorn::TFormClass& formClass, const QString& group, const QString& menuPath);
/// Files the module's eight screens, in their fixed order.
void RegisterForms();

} // namespace telmod
