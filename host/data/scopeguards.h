#pragma once

#include <exception>
#include <utility>

namespace vorn {

class TVornClientDataSet;

/// Runs an action when the scope is left, however it is left. When an error is already on its way
/// out, an error of the action is dropped: the first one is the one to report.
template <class Action> class TOnExit {
public:
    explicit TOnExit(Action action) : action_(std::move(action)), errors_(std::uncaught_exceptions()) {}
    ~TOnExit() noexcept(false) {
        if (std::uncaught_exceptions() == errors_) {
            action_();
            return;
        }
        try {
            action_();
        } catch (...) {
        }
    }
    TOnExit(const TOnExit&) = delete;
    TOnExit& operator=(const TOnExit&) = delete;

private:
    Action action_;
    int errors_;
};

/// Runs an action only when the scope is left by an error (to undo what was half done); an error of
/// the action itself is dropped.
template <class Action> class TOnFailure {
public:
    explicit TOnFailure(Action action) : action_(std::move(action)), errors_(std::uncaught_exceptions()) {}
    ~TOnFailure() {
        if (std::uncaught_exceptions() == errors_)
            return;
        try {
            action_();
        } catch (...) {
        }
    }
    TOnFailure(const TOnFailure&) = delete;
    TOnFailure& operator=(const TOnFailure&) = delete;

private:
    Action action_;
    int errors_;
};

/// A dataset's controls do not follow its cursor while this lives (DisableControls, then
/// EnableControls on the way out).
class TControlsDisabled {
public:
    explicit TControlsDisabled(TVornClientDataSet& dataSet);
    ~TControlsDisabled() noexcept(false);
    TControlsDisabled(const TControlsDisabled&) = delete;
    TControlsDisabled& operator=(const TControlsDisabled&) = delete;

private:
    TVornClientDataSet& dataSet_;
    int errors_;
};

} // namespace vorn
