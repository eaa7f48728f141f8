#pragma once
#include <QString>
#include <functional>

class QApplication;

inline constexpr const char* kSingleInstanceName = "Vornix2";
inline constexpr const char* kSingleInstanceMessage =
    "Es ist bereits eine andere Instanz dieser Anwendung geöffnet.\n\r"
    "Ein mehrfaches Öffnen dieser Anwendung ist nicht möglich.";

// German standard buttons ("Ja", "Nein", "Abbrechen").
void InstallGermanTranslation(QApplication& app);

class THauptForm;

// The program's main window while it exists (found among the top-level windows).
THauptForm* MainWindow();

// The frame with the services it owns (settings, gateway session); no dialogs yet.
THauptForm* CreateHauptForm();

// Creates every form once, the main window first, then the data module, then the dialogs.
// False when the database could not be connected (its message was shown).
bool CreateForms();

// The program from the single-instance guard to the end of the message loop.
// Returns the process exit code: 0 after a normal run or a refused second copy, 1 when the
// forms could not be created (no connection, or a failure shown with its own text).
int ProgramMain(QApplication& app, const std::function<bool()>& createForms = CreateForms);
// Destroys the forms, the dialogs first and the data module last.
void DestroyForms();
