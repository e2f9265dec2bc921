#pragma once

#include <QString>

// "<program>: <text>": how a tool's messages on stderr begin, so that a
// script's log says which tool spoke. The program is the application's name.
QString programLine(const QString& text);

// Prints "<program>: <message>" and a pointer to the help of `helpCommand`
// ("" for the program's own help) on stderr and returns ExitUsage. The
// program is the application's name.
int usageError(const QString& message, const QString& helpCommand = QString());
