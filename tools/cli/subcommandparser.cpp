#include "subcommandparser.h"

#include "exitstatus.h"
#include "usage.h"

#include "facets.h"

namespace quillmark {

QString unknownFacetMessage(const QString& text)
{
    return QStringLiteral("Unknown facet '%1': give 0 to %2 or a name: %3.")
        .arg(text)
        .arg(facets::Count - 1)
        .arg(facets::nameList());
}

SubcommandParser::SubcommandParser(const QString& command, const QString& kind, const QString& description)
    : m_name(kind.isEmpty() ? command : command + QLatin1Char(' ') + kind), m_words(kind.isEmpty() ? 1 : 2)
{
    m_parser.setApplicationDescription(description);
    m_parser.addHelpOption();
    m_parser.addPositionalArgument(m_name, QStringLiteral("This command."), m_name);
}

void SubcommandParser::addRequired(const QString& name, const QString& valueName, const QString& description)
{
    m_parser.addOption({name, description + QLatin1String(" Required."), valueName});
    m_required << name;
}

void SubcommandParser::addOptional(const QString& name, const QString& valueName, const QString& description)
{
    m_parser.addOption({name, description, valueName});
}

void SubcommandParser::addFlag(const QString& name, const QString& description)
{
    m_parser.addOption({name, description});
}

Status SubcommandParser::parse(const QStringList& arguments)
{
    if (!m_parser.parse(arguments))
        return usageFailure(m_parser.errorText());
    if (m_parser.isSet(QStringLiteral("help")))
        printHelpAndExit(m_parser);
    // The command and its kind come first; nothing else may stand alone.
    const QStringList positional = m_parser.positionalArguments();
    if (positional.size() > m_words)
        return usageFailure(QStringLiteral("Unexpected argument '%1'.").arg(positional.at(m_words)));
    for (const QString& name : m_required) {
        if (!m_parser.isSet(name))
            return usageFailure(QStringLiteral("Missing option --%1.").arg(name));
    }
    return Status();
}

std::optional<int> SubcommandParser::facet(const QString& name) const
{
    return facets::fromText(m_parser.value(name));
}

int SubcommandParser::usageError(const QString& message) const
{
    return quillmark::usageError(message, m_name);
}

int SubcommandParser::fail(const Status& failure) const
{
    return reportFailure(failure, m_name);
}

}  // namespace quillmark
