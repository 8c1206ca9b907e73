#include "formmanager.h"

#include "host/data/errors.h"

namespace vorn {

TFormManager& FormManager() {
    static TFormManager manager;
    return manager;
}

void TFormManager::RegisterModuleForm(const TFormClass& formClass, const QString& module,
                                      const QString& group, const QString& menuPath) {
    if (!menuPath.isEmpty() && menuPath.split(u'|').contains(QString()))
        RaiseClientError("Menupad \"%s\" van %s heeft een leeg niveau", menuPath, formClass.ClassName());
    for (const TFormRegistration& existing : registrations_)
        if (!menuPath.isEmpty() && existing.MenuPath.compare(menuPath, Qt::CaseInsensitive) == 0 &&
            existing.ClassName != formClass.ClassName())
            RaiseClientError("Menupad \"%s\" opent al %s (module %s)", menuPath, existing.ClassName,
                             existing.Module);
    registrations_.push_back({formClass.ClassName(), module, group, menuPath});
}

void TFormManager::ExposeClass(const QString& module, const TFormClass& formClass) {
    classes_[formClass.ClassName().toLower()] = {module, &formClass};
}

void TFormManager::WithdrawClasses(const QString& module) {
    std::erase_if(classes_, [&module](const auto& entry) { return entry.second.module == module; });
}

const TFormClass* TFormManager::FindClass(const QString& className) const {
    const auto it = classes_.find(className.toLower());
    return it == classes_.end() ? nullptr : it->second.formClass;
}

TVornDBForm* TFormManager::CreateForm(const QString& className) const {
    const TFormClass* formClass = FindClass(className);
    if (formClass == nullptr)
        RaiseClientError("Scherm %s is niet beschikbaar: de module die het levert is niet geladen",
                         className);
    return formClass->Create();
}

void TFormManager::Clear() {
    registrations_.clear();
    classes_.clear();
}

} // namespace vorn
