#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

#include <optional>

// The program's icon: the same 256-pixel image an installation puts into the icon theme, built
// into the program so that its windows show it wherever it runs from.
QIcon ProgramIcon();

// The desktop entry that starts the program ("kebqor", for kebqor.desktop), by which a desktop
// ties the program's windows to its menu entry and icon.
inline constexpr const char *ProgramDesktopFileName = "kebqor";

// What the window program prints for "--version" or "--help" instead of opening its window;
// nothing for any other command line (whose only argument is a settings file to open).
// arguments: the command line without the program's own name.
std::optional<QString> CommandLineAnswer(const QStringList &arguments);
