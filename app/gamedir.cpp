#include "gamedir.h"

#include <QFileInfo>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include "windowsregistry.h"
#else
#include <QSettings>
#endif

namespace {

#ifdef Q_OS_WIN
// Straight from the registry, read-only: QSettings would look for the
// organisation's defaults in the wrong key and would create the first missing
// key it opens, and this program writes no settings.
QString readEntry(const QString& organisation, const QString& application, const QString& key)
{
    return QString::fromStdWString(
        readRegistryEntry(organisation.toStdWString(), application.toStdWString(), key.toStdWString()));
}
#else
// Elsewhere the entries live in the configuration files of the user, then of
// the system, which QSettings only reads unless something is set.
QString readEntry(const QString& organisation, const QString& application, const QString& key)
{
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, organisation, application);
    return settings.value(key).toString();
}
#endif

}  // namespace

QString gameDir()
{
    // A directory chosen for this program wins, taken as it stands.
    const QString chosen = readEntry(QStringLiteral("Harrowvane"), QString(), QStringLiteral("UODir"));
    if (!chosen.isEmpty())
        return chosen;

    // The game records the path of its program file; the dialogs want the
    // directory that holds it.
    const QString gameOrganisation = QStringLiteral("Origin Worlds Online");
    const QString startExe = QStringLiteral("1.0/StartExePath");
    QString program = readEntry(gameOrganisation, QStringLiteral("Ultima Online Third Dawn"), startExe);
    if (program.isEmpty())
        program = readEntry(gameOrganisation, QStringLiteral("Ultima Online"), startExe);
    return program.isEmpty() ? QString() : QFileInfo(program).absolutePath();
}
