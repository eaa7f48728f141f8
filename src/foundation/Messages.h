#pragma once
#include <QString>
#include <functional>

class QWidget;

// Every message box of the program goes through here, so that tests can answer them.
// Texts are kept exactly as given ("\n\r" included); only the display turns them into "\n".
namespace Msg {

enum class Kind { Information, Error, Warning, Question, WarningQuestion, InformationQuestion };

void Information(const QString& text);
void Error(const QString& text);
void Warning(const QString& text);
// Yes/No question; true for Yes.
bool Question(const QString& text);
// The same with the warning icon (the "are you sure" questions) or the information icon.
bool WarningQuestion(const QString& text);
bool InformationQuestion(const QString& text);
// True for the kinds answered with Yes or No.
bool IsQuestion(Kind kind);

// The text as a message box shows it.
QString DisplayText(const QString& text);

// A responder sees every box instead of the user; its result is the answer to a question
// (ignored for the other kinds). Pass an empty function to show real boxes again.
using Responder = std::function<bool(Kind kind, const QString& text)>;
void SetResponder(Responder responder);

} // namespace Msg
