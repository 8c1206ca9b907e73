#pragma once

#include <QString>
#include <functional>
#include <map>
#include <vector>

namespace vorn {

class TVornDBForm;

/// A screen class as the host knows it: its name and how to make an instance.
class TFormClass {
public:
    using Factory = std::function<TVornDBForm*()>;
    TFormClass(QString className, Factory factory)
        : name_(std::move(className)), factory_(std::move(factory)) {}
    const QString& ClassName() const { return name_; }
    TVornDBForm* Create() const { return factory_(); }

private:
    QString name_;
    Factory factory_;
};

/// One entry of the form manager: a screen class filed by a module under a group and a menu path.
struct TFormRegistration {
    QString ClassName;
    QString Module;
    QString Group;
    QString MenuPath; // levels separated by '|'; empty: no menu entry
};

/// Files the screens that modules register and finds screen classes by name.
class TFormManager {
public:
    /// Files a screen class. Raises when the menu path is malformed or already opens another class.
    void RegisterModuleForm(const TFormClass& formClass, const QString& module, const QString& group,
                            const QString& menuPath);
    const std::vector<TFormRegistration>& Registrations() const { return registrations_; }

    /// Makes a module's classes findable by name (not a registration: no menu entry, no group).
    void ExposeClass(const QString& module, const TFormClass& formClass);
    /// Forgets the classes of a module that is unloaded; its registrations stay.
    void WithdrawClasses(const QString& module);
    /// The class of that name, or null.
    const TFormClass* FindClass(const QString& className) const;
    /// A new screen of that class; raises when no loaded module has it.
    TVornDBForm* CreateForm(const QString& className) const;

    void Clear();
    /// Whether nothing is registered or exposed.
    bool IsEmpty() const { return registrations_.empty() && classes_.empty(); }

private:
    struct Exposed {
        QString module;
        const TFormClass* formClass;
    };
    std::vector<TFormRegistration> registrations_;
    std::map<QString, Exposed> classes_;
};

/// The host's form manager.
TFormManager& FormManager();

} // namespace vorn
