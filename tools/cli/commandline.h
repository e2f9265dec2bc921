#pragma once

#include <QStringList>

// The whole command line of quillmark-cli: picks the command and its kind and
// hands over to it. Returns the exit status.
int runCommandLine(const QStringList& arguments);
