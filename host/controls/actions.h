#pragma once

#include <QAction>
#include <QPushButton>
#include <functional>
#include <vector>

namespace vorn {

/// An action with the handlers the screens bind: execute when triggered, update when idle.
class TVornAction : public QAction {
    Q_OBJECT
public:
    TVornAction(const QString& caption, QObject* parent);
    std::function<void(QObject* sender)> OnExecute;
    std::function<void(QObject* sender)> OnUpdate;
    /// Runs the update handler (the action list does this whenever the client is idle).
    void Update();
};

/// The actions of a screen. Whenever the event loop runs out of work, each action's update handler
/// decides whether it is enabled, so buttons follow the screen's state without being told.
class TVornActionList : public QObject {
    Q_OBJECT
public:
    explicit TVornActionList(QObject* parent = nullptr);
    TVornAction* Add(const QString& caption);
    const std::vector<TVornAction*>& Actions() const { return actions_; }
    void UpdateActions();

private:
    std::vector<TVornAction*> actions_;
    bool updating_ = false;
};

/// A push button that shows, enables and triggers an action.
class TVornButton : public QPushButton {
    Q_OBJECT
public:
    explicit TVornButton(QWidget* parent = nullptr);
    void SetAction(QAction* action);
    QAction* Action() const { return action_; }

private:
    void follow();
    QAction* action_ = nullptr;
    QMetaObject::Connection changed_;
};

} // namespace vorn
