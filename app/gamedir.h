#pragma once

#include <QString>

// The game's installation directory as the platform settings record it, or an
// empty string when they hold none: the start directory of the file dialogs.
QString gameDir();
