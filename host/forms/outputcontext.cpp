#include "outputcontext.h"

#include "hostservices.h"

#include "host/data/installpaths.h"
#include "host/data/schoolyear.h"

#include <QDateTime>

namespace vorn {

namespace {

QString dateText(TDateTime date) {
    return DateTimeToDate(date).toString(QStringLiteral("dd/MM/yyyy"));
}

/// The work date, when the output is made inside the client (a test may make one without).
QString workDateText() {
    if (!HostInstalled())
        return {};
    const TDateTime workDate = Host().WerkDatum();
    return IsDateSet(workDate) ? dateText(workDate) : QString();
}

} // namespace

QDateTime OutputTime() {
    bool ok = false;
    const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    return ok ? QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC) : QDateTime::currentDateTime();
}

QString SchoolYearText(TDateTime date) {
    const int year = GetSchooljaarFrom(date);
    return QStringLiteral("%1-%2").arg(year).arg(year + 1);
}

QStringList ContextLines(const TResultHeading& heading) {
    QStringList lines;
    const auto add = [&lines](const QString& label, const QString& value) {
        if (!value.isEmpty())
            lines << QStringLiteral("%1: %2").arg(label, value);
    };
    add(QStringLiteral("Scherm"), heading.screen);
    add(QStringLiteral("Instelling"), heading.institution);
    QString period = heading.period;
    if (!heading.schoolYear.isEmpty())
        period += period.isEmpty() ? QStringLiteral("schooljaar %1").arg(heading.schoolYear)
                                   : QStringLiteral(" (schooljaar %1)").arg(heading.schoolYear);
    add(heading.periodLabel, period);
    add(QStringLiteral("Vergeleken met"), heading.comparison);
    add(QStringLiteral("Verloop"), heading.trend);
    add(QStringLiteral("Statistiek"), heading.statistic);
    add(QStringLiteral("Cijfer"), heading.figure);
    for (const QString& filter : heading.filters)
        add(QStringLiteral("Filter"), filter);
    add(QStringLiteral("Werkdatum"), workDateText());
    add(QStringLiteral("Gemaakt op"),
        QStringLiteral("%1 met Vorn %2")
            .arg(OutputTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")), ProgramVersion()));
    return lines;
}

} // namespace vorn
