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
    switch (kind) {
    case Kind::Information:
        QMessageBox::information(parent, title, DisplayText(text));
        return true;
    case Kind::Error:
        QMessageBox::critical(parent, title, DisplayText(text));
        return true;
    case Kind::Warning:
        QMessageBox::warning(parent, title, DisplayText(text));
        return true;
    case Kind::Question:
        return QMessageBox::question(parent, title, DisplayText(text),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
            == QMessageBox::Yes;
    }
    return false;
}
} // namespace

void Information(const QString& text) { show(Kind::Information, text); }
void Error(const QString& text) { show(Kind::Error, text); }
void Warning(const QString& text) { show(Kind::Warning, text); }
bool Question(const QString& text) { return show(Kind::Question, text); }

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
