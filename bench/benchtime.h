#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <functional>

/// The shortest of `runs` timings of the action, in seconds: the least disturbed by the machine.
inline double bestOf(int runs, const std::function<void()>& action) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        action();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}
