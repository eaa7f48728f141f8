#pragma once
#include <QString>

// The settings file and the database lie in the directory of the program's own file.
// Tests (and the screenshot script through VORNIX2_HOME) point it elsewhere.
QString ProgramDir();                       // without trailing separator
QString ProgramFile(const QString& name);   // ProgramDir() + "/" + name
void SetProgramDir(const QString& dir);     // empty: back to the program's own directory
// The help's start page: in the program directory, else beside the program's own file (the
// help ships with the program, also when VORNIX2_HOME moves its data); the program directory's
// path when neither holds it.
QString HelpFile();
