#include "showas.h"

#include <algorithm>

namespace vorn {

std::vector<std::optional<double>> AlongAField(TShowAs showAs,
                                               const std::vector<std::optional<double>>& values) {
    std::vector<std::optional<double>> shown(values.size());
    double running = 0;
    bool anyRunning = false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::optional<double>& value = values[i];
        const std::optional<double> previous = i > 0 ? values[i - 1] : std::nullopt;
        switch (showAs) {
        case TShowAs::DifferenceFromPrevious:
            if (i > 0 && (value || previous))
                shown[i] = value.value_or(0) - previous.value_or(0);
            break;
        case TShowAs::PercentDifferenceFromPrevious:
            if (i > 0 && previous && *previous != 0)
                shown[i] = (value.value_or(0) - *previous) / *previous;
            break;
        case TShowAs::RunningTotal:
            if (value) {
                running += *value;
                anyRunning = true;
            }
            if (anyRunning)
                shown[i] = running;
            break;
        case TShowAs::Rank:
            if (value)
                shown[i] = 1.0 + static_cast<double>(
                                     std::count_if(values.begin(), values.end(), [&](const auto& other) {
                                         return other && *other > *value;
                                     }));
            break;
        default:
            shown[i] = value;
        }
    }
    return shown;
}

} // namespace vorn
