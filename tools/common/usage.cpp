#include "usage.h"

#include "console.h"
#include "exitstatus.h"

#include <QCoreApplication>

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
