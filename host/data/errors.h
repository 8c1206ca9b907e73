#pragma once

#include <QString>
#include <QVariant>
#include <stdexcept>

namespace vorn {

/// Base of every error the host shows to the user; the message is Dutch and ready to display.
class EVornError : public std::runtime_error {
public:
    explicit EVornError(const QString& message);
    QString message() const { return message_; }

private:
    QString message_;
};

/// An error raised by a screen through RaiseClientError.
class EClientError : public EVornError {
public:
    using EVornError::EVornError;
};

/// An error of the data layer: unknown field, closed dataset, value that does not fit, ...
class EDatabaseError : public EVornError {
public:
    using EVornError::EVornError;
};

/// An error of a list: index out of range, duplicate id.
class EListError : public EVornError {
public:
    using EVornError::EVornError;
};

/// Formats a message the way the screens write them: %s and %d take the next argument, %% is a percent sign.
QString FormatMessage(const QString& format, const QVariantList& arguments);

[[noreturn]] void RaiseClientErrorList(const QString& format, const QVariantList& arguments);

/// Formats the message and throws an EClientError; the host shows it to the user.
template <typename... Args>
[[noreturn]] void RaiseClientError(const QString& format, const Args&... arguments) {
    RaiseClientErrorList(format, QVariantList{QVariant::fromValue(arguments)...});
}

[[noreturn]] void RaiseDatabaseError(const QString& format, const QVariantList& arguments = {});

/// What the user reads when memory ran out (std::bad_alloc) instead of the program ending.
QString OutOfMemoryMessage();

} // namespace vorn
