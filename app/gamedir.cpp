#include "gamedir.h"

#include <QFileInfo>
#include <QSettings>

#include <QList>

namespace {

// On 64-bit Windows the game records itself in the 32-bit view of the
// registry, so that view is searched as well.
QList<QSettings::Format> settingsViews()
{
#ifdef Q_OS_WIN
    return {QSettings::NativeFormat, QSettings::Registry32Format};
#else
    return {QSettings::NativeFormat};
#endif
}

QString readEntry(const QString& organisation, const QString& application, const QString& key)
{
    for (const QSettings::Format view : settingsViews()) {
        const QSettings settings(view, QSettings::UserScope, organisation, application);
        const QString value = settings.value(key).toString();
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

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
