#pragma once

#include "status.h"

#include <QString>
#include <QStringList>

class QCommandLineParser;

namespace quillmark {

// "<program>: <text>": how a tool's messages on stderr begin, so that a
// script's log says which tool spoke. The program is the application's name.
QString programLine(const QString& text);

// Prints "<program>: <message>" and a pointer to the help of `helpCommand`
// ("" for the program's own help) on stderr and returns ExitUsage. The
// program is the application's name.
int usageError(const QString& message, const QString& helpCommand = QString());

// A command line that cannot be run as asked, as a failure to hand up.
Status usageFailure(const QString& message);

// Ends a command that failed as the failure's kind says: a usage failure is
// printed as usageError() prints it and gives ExitUsage; any other gives
// ExitFailed, printed on one line: the program, the job's own message first
// and unchanged (scripts match it), then the file concerned and the reason,
// e.g.
//   quillmark-cli: Unable to open reference data file: nope.mul: No such file or directory
int reportFailure(const Status& failure, const QString& helpCommand = QString());

// Fails when an argument's bytes are not text in the system's encoding: its
// decoded form would name another file, or none ("No such file or
// directory" about a file that is there). Windows hands programs their
// arguments as text, so there it never fails.
Status checkArgumentEncoding(int argc, char** argv);

// Print the parser's help, or the program's name and version, on standard
// output and end the program with ExitSuccess. QCommandLineParser's own
// showHelp() and showVersion() open a message box instead on Windows when no
// console window is at hand (a mintty terminal, Wine), which a console
// program run from a script must never do.
[[noreturn]] void printHelpAndExit(const QCommandLineParser& parser);
[[noreturn]] void printVersionAndExit();

// Parses a program's command line up to its command word: --help and
// --version (which print and exit), then the command, after which every word
// belongs to the command. The caller has set the parser's description and
// positional argument. Fails with the usage error, also when no command is given.
Status parseProgramLine(QCommandLineParser& parser, const QStringList& arguments);

}  // namespace quillmark
