#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QLibrary;

namespace vorn {

class TFormClass;

/// What a module library exports, with C names so the host finds them:
///   const char* vorn_module_name();
///   int vorn_module_classes(const vorn::TFormClass* const** classes);   // its screen classes
///   void vorn_module_startup();                                         // its registration
using ModuleNameFunction = const char* (*)();
using ModuleClassesFunction = int (*)(const TFormClass* const** classes);
using ModuleStartupFunction = void (*)();

/// Loads the module libraries of a folder and runs each one's start-up once per load.
class TModuleLoader {
public:
    TModuleLoader();
    ~TModuleLoader();
    TModuleLoader(const TModuleLoader&) = delete;
    TModuleLoader& operator=(const TModuleLoader&) = delete;

    /// Loads every module library in the folder; answers one message per module that failed.
    QStringList LoadFolder(const QString& folder);
    /// Loads one module; on failure answers false with a message and leaves nothing loaded of it.
    bool Load(const QString& path, QString& error);
    /// Unloads a module. Its registrations stay with the form manager; its classes go.
    void Unload(const QString& moduleName);
    QStringList LoadedModules() const;

    /// The module folder: VORN_MODULE_PATH, else "modules" beside the program's folder.
    static QString DefaultFolder();

private:
    struct Module {
        QString name;
        std::unique_ptr<QLibrary> library;
    };
    std::vector<Module> modules_;
};

} // namespace vorn
