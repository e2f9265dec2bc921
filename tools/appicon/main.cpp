// Draws the program's icon at every theme size into an icon theme tree, for
// installing: OUTPUT_DIR/<N>x<N>/apps/APPLICATION_ID.png.
//
//   appicon OUTPUT_DIR APPLICATION_ID

#include "applicationicon.h"

#include <QDir>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: appicon OUTPUT_DIR APPLICATION_ID\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString id = QString::fromLocal8Bit(argv[2]);
    for (const int size : applicationIconSizes()) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString path = QStringLiteral("%1/%2.png").arg(folder, id);
        if (!QDir().mkpath(folder) || !paintApplicationIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "appicon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
