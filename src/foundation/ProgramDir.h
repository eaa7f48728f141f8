#pragma once
#include <QString>

// The settings file and the database lie in the directory of the program's own file.
// Tests (and the screenshot script through VORNIX2_HOME) point it elsewhere.
QString ProgramDir();                       // without trailing separator
QString ProgramFile(const QString& name);   // ProgramDir() + "/" + name
void SetProgramDir(const QString& dir);     // empty: back to the program's own directory
