#pragma once
#include <QString>

class QWidget;

// Opens a web page in the default browser; reports its own failures.
void OpenUrl(const QString& url, QWidget* parent = nullptr);
// Opens the default mail program on an address; reports its own failures.
void OpenMail(const QString& address, QWidget* parent = nullptr);
