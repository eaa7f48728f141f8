#include "foundation/Messages.h"
#include <QApplication>
#include <QMessageBox>

namespace Msg {
namespace {
Responder& responder()
{
    static Responder r;
    return r;
}

bool show(Kind kind, const QString& text)
{
    if (responder())
        return responder()(kind, text);
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    const QString title = QApplication::applicationDisplayName().isEmpty()
        ? QStringLiteral("Vornix2") : QApplication::applicationDisplayName();
    // Plain text: a database text in a message must not be taken for markup.
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(DisplayText(text));
    switch (kind) {
    case Kind::Information: box.setIcon(QMessageBox::Information); break;
    case Kind::Error: box.setIcon(QMessageBox::Critical); break;
    case Kind::Warning: box.setIcon(QMessageBox::Warning); break;
    case Kind::Question: box.setIcon(QMessageBox::Question); break;
    case Kind::WarningQuestion: box.setIcon(QMessageBox::Warning); break;
    case Kind::InformationQuestion: box.setIcon(QMessageBox::Information); break;
    }
    if (IsQuestion(kind)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Yes;
}
} // namespace

void Information(const QString& text) { show(Kind::Information, text); }
void Error(const QString& text) { show(Kind::Error, text); }
void Warning(const QString& text) { show(Kind::Warning, text); }
bool Question(const QString& text) { return show(Kind::Question, text); }
bool WarningQuestion(const QString& text) { return show(Kind::WarningQuestion, text); }
bool InformationQuestion(const QString& text) { return show(Kind::InformationQuestion, text); }

bool IsQuestion(Kind kind)
{
    return kind == Kind::Question || kind == Kind::WarningQuestion || kind == Kind::InformationQuestion;
}

QString DisplayText(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

void SetResponder(Responder r) { responder() = std::move(r); }

} // namespace Msg
