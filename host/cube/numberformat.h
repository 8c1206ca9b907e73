#pragma once

#include <QString>
#include <optional>

namespace vorn {

/// A number format as cube definitions and report files write it: "0", "#,##0", "0.0", "#,##0.00",
/// optional decimals after the required ones ("0.##"), and a closing "%" that shows a fraction as a
/// percentage ("0%", "0.0%"). Numbers are written the Dutch way: decimal comma, thousands dot.
class TNumberFormat {
public:
    /// The format of a pattern; nothing when the pattern is not one of the above.
    static std::optional<TNumberFormat> Parse(const QString& pattern);

    QString Format(double value) const;
    bool IsPercent() const { return percent_; }

private:
    bool grouped_ = false;
    bool percent_ = false;
    int minDecimals_ = 0;
    int maxDecimals_ = 0;
};

} // namespace vorn
