#include "schoolyear.h"

#include "errors.h"

namespace vorn {

namespace {
ISchoolYearDirectory* installedDirectory = nullptr;
}

void SetSchoolYearDirectory(ISchoolYearDirectory* directory) {
    installedDirectory = directory;
}

ISchoolYearDirectory* InstalledSchoolYearDirectory() {
    return installedDirectory;
}

int GetSchooljaarFrom(TDateTime date) {
    const QDate day = DateTimeToDate(date).isValid() ? DateTimeToDate(date) : DayZero();
    return day.month() >= 9 ? day.year() : day.year() - 1;
}

int GetSchooljaarIDFrom(int number) {
    if (installedDirectory == nullptr)
        RaiseDatabaseError(
            QStringLiteral("Geen verbinding met de server: schooljaar %d kan niet worden opgezocht"),
            {number});
    return installedDirectory->schoolYearId(number);
}

int GetSchooljaarIDFrom(TDateTime date) {
    return GetSchooljaarIDFrom(GetSchooljaarFrom(date));
}

TDateTime GetSchooljaarStartFrom(TDateTime date) {
    return EncodeDate(GetSchooljaarFrom(date), 9, 1);
}

TDateTime GetSchooljaarEndFrom(TDateTime date) {
    return EncodeDate(GetSchooljaarFrom(date) + 1, 6, 30);
}

TDateTime GetSchooljaarEndExtFrom(TDateTime date) {
    return EncodeDate(GetSchooljaarFrom(date) + 1, 8, 31);
}

} // namespace vorn
