#include "errors.h"

namespace vorn {

EVornError::EVornError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

QString FormatMessage(const QString& format, const QVariantList& arguments) {
    QString result;
    result.reserve(format.size() + 16);
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c != u'%' || i + 1 >= format.size()) {
            result += c;
            continue;
        }
        const QChar conversion = format[i + 1];
        if (conversion == u'%') {
            result += u'%';
            ++i;
        } else if (conversion == u's' || conversion == u'd') {
            if (next < arguments.size())
                result += arguments[next].toString();
            ++next;
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}

void RaiseClientErrorList(const QString& format, const QVariantList& arguments) {
    throw EClientError(FormatMessage(format, arguments));
}

void RaiseDatabaseError(const QString& format, const QVariantList& arguments) {
    throw EDatabaseError(FormatMessage(format, arguments));
}

QString OutOfMemoryMessage() {
    return QStringLiteral("Onvoldoende geheugen: de opdracht vraagt meer dan deze computer kan bevatten. "
                          "Kies een kleinere periode of minder rijen.");
}

} // namespace vorn
