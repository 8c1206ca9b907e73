#pragma once

#include "datetime.h"

namespace vorn {

/// The server's school-year table, as the host reaches it.
class ISchoolYearDirectory {
public:
    virtual ~ISchoolYearDirectory() = default;
    /// The id of school year `number`, negative when the server has none.
    virtual int schoolYearId(int number) = 0;
};

/// Installs the directory the school-year id functions ask; the host does this once it has a server.
void SetSchoolYearDirectory(ISchoolYearDirectory* directory);
/// The installed directory; null when there is none.
ISchoolYearDirectory* InstalledSchoolYearDirectory();

/// School year N runs from 1 September N to 31 August N+1; its number is N.
int GetSchooljaarFrom(TDateTime date);
/// The server's id of school year `number`, negative when it has none.
int GetSchooljaarIDFrom(int number);
int GetSchooljaarIDFrom(TDateTime date);
/// 1 September of the school year of `date`.
TDateTime GetSchooljaarStartFrom(TDateTime date);
/// 30 June, the last teaching day of the school year of `date`.
TDateTime GetSchooljaarEndFrom(TDateTime date);
/// 31 August, the last day of the school year of `date`.
TDateTime GetSchooljaarEndExtFrom(TDateTime date);

} // namespace vorn
