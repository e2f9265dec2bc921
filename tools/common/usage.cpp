#include "usage.h"

#include "console.h"
#include "exitstatus.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdlib>

namespace quillmark {

QString programLine(const QString& text)
{
    return QCoreApplication::applicationName() + QLatin1String(": ") + text;
}

int usageError(const QString& message, const QString& helpCommand)
{
    const QString program = QCoreApplication::applicationName();
    printError(programLine(message));
    const QString help = helpCommand.isEmpty() ? program : program + QLatin1Char(' ') + helpCommand;
    printError(QStringLiteral("Try '%1 --help' for more information.").arg(help));
    return ExitUsage;
}

Status usageFailure(const QString& message)
{
    return Status::failure(Status::Kind::Usage, message);
}

int reportFailure(const Status& failure, const QString& helpCommand)
{
    if (failure.is(Status::Kind::Usage))
        return usageError(failure.text(), helpCommand);
    printError(programLine(failure.text()));
    return ExitFailed;
}

void printHelpAndExit(const QCommandLineParser& parser)
{
    QString text = parser.helpText();
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);  // printOut() ends the line
    printOut(text);
    std::exit(ExitSuccess);
}

void printVersionAndExit()
{
    printOut(QCoreApplication::applicationName() + QLatin1Char(' ') + QCoreApplication::applicationVersion());
    std::exit(ExitSuccess);
}

Status checkArgumentEncoding(int argc, char** argv)
{
#ifndef Q_OS_WIN
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        const QString text = QString::fromLocal8Bit(bytes);
        if (text.toLocal8Bit() != bytes)
            return usageFailure(
                QStringLiteral("Argument %1 ('%2') is not valid text in the system's encoding; name the file "
                               "with a path in that encoding.")
                    .arg(i)
                    .arg(text));
    }
#else
    Q_UNUSED(argc);
    Q_UNUSED(argv);
#endif
    return Status();
}

Status parseProgramLine(QCommandLineParser& parser, const QStringList& arguments)
{
    parser.addHelpOption();
    parser.addVersionOption();
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    if (!parser.parse(arguments))
        return usageFailure(parser.errorText());
    if (parser.isSet(QStringLiteral("version")))
        printVersionAndExit();
    if (parser.isSet(QStringLiteral("help")))
        printHelpAndExit(parser);
    if (parser.positionalArguments().isEmpty())
        return usageFailure(QStringLiteral("No command given."));
    return Status();
}

}  // namespace quillmark
