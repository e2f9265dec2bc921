#pragma once

#include "status.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

namespace quillmark {

// The options of one subcommand such as "generate map" (or "report", a command
// without a kind, when `kind` is empty): every required option
// must be given, --help shows this subcommand's options, and anything else on
// the line is a usage error.
class SubcommandParser
{
public:
    SubcommandParser(const QString& command, const QString& kind, const QString& description);

    void addRequired(const QString& name, const QString& valueName, const QString& description);
    void addOptional(const QString& name, const QString& valueName, const QString& description);
    // An option that takes no value.
    void addFlag(const QString& name, const QString& description);

    // Parses the whole command line (program, command, kind, options). Shows
    // the help and exits on --help; fails with the usage error.
    Status parse(const QStringList& arguments);

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }

    // The facet given by option `name`, or nothing when it names no facet.
    std::optional<int> facet(const QString& name) const;

    // Prints `message` with a pointer to this subcommand's help; returns ExitUsage.
    int usageError(const QString& message) const;
    // Prints a failure and returns the exit status its kind calls for (see
    // reportFailure()), a usage failure with a pointer to this subcommand's help.
    int fail(const Status& failure) const;

private:
    QString m_name;     // "generate map"
    qsizetype m_words;  // of the name: the command, and its kind if it has one
    QCommandLineParser m_parser;
    QStringList m_required;
};

// "Unknown facet 'x': give 0 to 5 or a name: Felucca, ...".
QString unknownFacetMessage(const QString& text);

}  // namespace quillmark
