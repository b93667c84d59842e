#pragma once

#include <QString>

// Where the help pages are: the folder "help" beside the program (a build, or an installation
// that keeps everything in one folder), else "../share/kebqor/help" relative to the program's
// folder (an installation under a prefix such as /usr). When neither exists, the folder beside
// the program, so that a message names a place.
QString HelpFolderFor(const QString &programFolder);

// The help folder of the running program.
QString ProgramHelpFolder();
