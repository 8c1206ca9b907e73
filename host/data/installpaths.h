#pragma once

#include <QString>

namespace vorn {

/// The program's version, as the project states it ("0.1").
QString ProgramVersion();

/// The folder the module loader reads when none is given: $VORN_MODULE_PATH, else the installed
/// module folder beside the program (lib/<multiarch>/vorn/modules), else the build tree's modules.
QString DefaultModuleFolder();

/// The program's shared data (report files, the user guide): share/vorn beside the program's bin
/// folder, in an installed tree and in the build tree alike. Empty when there is none.
QString ProgramDataFolder();

} // namespace vorn
