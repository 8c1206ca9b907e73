#include "numberformat.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace vorn {

namespace {

const QLocale& DutchLocale() {
    static const QLocale locale(QLocale::Dutch, QLocale::Belgium);
    return locale;
}

/// Drops zeros after the decimal comma beyond the required ones, and the comma with them.
QString TrimOptionalZeros(QString text, int minDecimals, int maxDecimals) {
    const QString comma = DutchLocale().decimalPoint();
    int drop = 0;
    while (drop < maxDecimals - minDecimals && drop < text.size() && text.at(text.size() - 1 - drop) == u'0')
        ++drop;
    text.chop(drop);
    if (text.endsWith(comma))
        text.chop(comma.size());
    return text;
}

} // namespace

std::optional<TNumberFormat> TNumberFormat::Parse(const QString& pattern) {
    static const QRegularExpression shape(QStringLiteral("^(0|#,##0)(?:\\.(0*)(#*))?(%?)$"));
    const QRegularExpressionMatch match = shape.match(pattern);
    if (!match.hasMatch() || pattern.endsWith(QStringLiteral(".")) || pattern.endsWith(QStringLiteral(".%")))
        return std::nullopt;
    TNumberFormat format;
    format.grouped_ = match.captured(1) == QStringLiteral("#,##0");
    format.minDecimals_ = static_cast<int>(match.capturedLength(2));
    format.maxDecimals_ = format.minDecimals_ + static_cast<int>(match.capturedLength(3));
    format.percent_ = match.capturedLength(4) > 0;
    constexpr int MostDecimals = 15;
    if (format.maxDecimals_ > MostDecimals)
        return std::nullopt;
    return format;
}

QString TNumberFormat::Format(double value) const {
    const double shown = percent_ ? value * 100.0 : value;
    // A value that rounds to zero is written without a minus sign.
    const double rounded = std::abs(shown) < 0.5 * std::pow(10.0, -maxDecimals_) ? 0.0 : shown;
    QLocale locale = DutchLocale();
    if (!grouped_)
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = TrimOptionalZeros(locale.toString(rounded, 'f', maxDecimals_), minDecimals_, maxDecimals_);
    if (percent_)
        text += u'%';
    return text;
}

} // namespace vorn
