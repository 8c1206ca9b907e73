#include "actions.h"

#include "guardedevents.h"

#include <QAbstractEventDispatcher>
#include <QThread>

namespace vorn {

TVornAction::TVornAction(const QString& caption, QObject* parent) : QAction(caption, parent) {
    connect(this, &QAction::triggered, this, [this] {
        if (OnExecute)
            RunGuarded([this] { OnExecute(this); });
    });
}

void TVornAction::Update() {
    if (OnUpdate)
        RunGuarded([this] { OnUpdate(this); });
}

TVornActionList::TVornActionList(QObject* parent) : QObject(parent) {
    if (auto* dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TVornActionList::UpdateActions);
}

TVornAction* TVornActionList::Add(const QString& caption) {
    auto* action = new TVornAction(caption, this);
    actions_.push_back(action);
    return action;
}

void TVornActionList::UpdateActions() {
    if (updating_)
        return;
    updating_ = true;
    for (TVornAction* action : actions_)
        action->Update();
    updating_ = false;
}

TVornButton::TVornButton(QWidget* parent) : QPushButton(parent) {
    connect(this, &QPushButton::clicked, this, [this] {
        if (action_ != nullptr && action_->isEnabled())
            action_->trigger();
    });
}

void TVornButton::SetAction(QAction* action) {
    disconnect(changed_);
    action_ = action;
    if (action != nullptr)
        changed_ = connect(action, &QAction::changed, this, &TVornButton::follow);
    follow();
}

void TVornButton::follow() {
    if (action_ == nullptr)
        return;
    setText(action_->text());
    setEnabled(action_->isEnabled());
}

} // namespace vorn
