#pragma once
#include <QString>
#include <stdexcept>

// A failure whose text is shown to the user as it stands (after "Fehlermeldung: ").
class TextError : public std::runtime_error {
public:
    explicit TextError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& Text() const { return m_text; }
private:
    QString m_text;
};
