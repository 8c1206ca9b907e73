#include "moduleloader.h"

#include "formmanager.h"

#include "host/data/errors.h"
#include "host/data/installpaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <exception>

namespace vorn {

TModuleLoader::TModuleLoader() = default;

// Destroying a QLibrary does not unload it: the modules stay mapped until the process ends, so no
// screen still open can point into unloaded code.
TModuleLoader::~TModuleLoader() = default;

QString TModuleLoader::DefaultFolder() {
    return DefaultModuleFolder();
}

QStringList TModuleLoader::LoadFolder(const QString& folder) {
    QStringList errors;
    const QDir dir(folder);
    for (const QString& file : dir.entryList({QStringLiteral("*.so")}, QDir::Files, QDir::Name)) {
        QString error;
        if (!Load(dir.absoluteFilePath(file), error))
            errors << error;
    }
    return errors;
}

bool TModuleLoader::Load(const QString& path, QString& error) {
    auto library = std::make_unique<QLibrary>(path);
    if (!library->load()) {
        error = QStringLiteral("Module %1 kon niet geladen worden: %2").arg(path, library->errorString());
        return false;
    }
    const auto name = reinterpret_cast<ModuleNameFunction>(library->resolve("vorn_module_name"));
    const auto classes = reinterpret_cast<ModuleClassesFunction>(library->resolve("vorn_module_classes"));
    const auto startup = reinterpret_cast<ModuleStartupFunction>(library->resolve("vorn_module_startup"));
    if (name == nullptr || classes == nullptr || startup == nullptr) {
        error = QStringLiteral("%1 is geen module van deze client").arg(path);
        library->unload();
        return false;
    }
    const QString moduleName = QString::fromUtf8(name());
    const TFormClass* const* list = nullptr;
    const int count = classes(&list);
    for (int i = 0; i < count; ++i)
        FormManager().ExposeClass(moduleName, *list[i]);
    try {
        startup();
    } catch (const EVornError& failure) {
        error = QStringLiteral("Module %1: %2").arg(moduleName, failure.message());
    } catch (const std::exception& failure) {
        error = QStringLiteral("Module %1: %2").arg(moduleName, QString::fromUtf8(failure.what()));
    }
    if (!error.isEmpty()) {
        FormManager().WithdrawClasses(moduleName);
        library->unload();
        return false;
    }
    modules_.push_back({moduleName, std::move(library)});
    return true;
}

void TModuleLoader::Unload(const QString& moduleName) {
    for (auto it = modules_.begin(); it != modules_.end(); ++it) {
        if (it->name != moduleName)
            continue;
        FormManager().WithdrawClasses(moduleName);
        it->library->unload();
        modules_.erase(it);
        return;
    }
}

QStringList TModuleLoader::LoadedModules() const {
    QStringList names;
    for (const Module& module : modules_)
        names << module.name;
    return names;
}

} // namespace vorn
