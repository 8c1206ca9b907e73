#pragma once

#include "export.h"

#include <QString>
#include <QStringList>

namespace vorn {

/// What the program is asked to do.
enum class TCommand { Window, Help, Version, ListForms, Screenshot, Export, Print };

/// The command line read and checked, before anything is opened.
struct TCommandLine {
    TCommand command = TCommand::Window;
    QString database;       // --database; empty: $VORN_DATABASE, the last one or the default
    QString reportDatabase; // --report-database: a hot standby the reads go to; empty: none
    QString modules;        // --modules; empty: the installed folder
    QString openScreen;     // --open
    QString screenshot;     // --screenshot: the window's picture (and after an export)
    ExportRequest exportRequest;
    PrintRequest printRequest;
    /// What to tell the user when the line is wrong (with its "vorn: " or "vorn export: " head,
    /// ending in a newline); empty when it is right.
    QString error;

    /// Whether the program runs without a screen: a verb, a picture or the list of screens.
    bool Offscreen() const;
};

/// Reads the arguments (the program's name first). Help and version win over anything else; a
/// verb (export, print) may stand before or after the options.
TCommandLine ParseCommandLine(const QStringList& arguments);

/// Before Qt starts, from the raw arguments: whether the program will run without a screen.
bool RunsOffscreen(const QStringList& arguments);

/// The help text, in Dutch.
const char* UsageText();

} // namespace vorn
