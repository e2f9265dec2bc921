// Windows only: the real window as a user sees it, for the documents. Shows the
// window on the Generate page, filled in as for a map patch of Trammel, lets
// Wine (or Windows) draw it with its frame, then saves what the screen shows
// of it. tools/windows-screenshot.sh runs it under Wine on a virtual X display.
//
//   windowshot OUTPUT.png

#include "applicationicon.h"
#include "mainwindow.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: windowshot OUTPUT.png\n");
        return 2;
    }
    QApplication::setWindowIcon(applicationIcon());
    mainwindow window;
    window.tabWidget3->setCurrentIndex(0);  // Generate
    window.comboBox1->setCurrentIndex(1);   // Trammel
    window.lineRefData->setText(QStringLiteral("C:\\Games\\Ultima Online\\map1LegacyMUL.uop"));
    window.lineMapMul->setText(QStringLiteral("D:\\Shard\\edited\\map1.mul"));
    window.lineOutDir->setText(QStringLiteral("D:\\Shard\\patches"));
    window.move(24, 24);
    window.show();
    int status = 1;
    QTimer::singleShot(2000, [&] {
        const QRect frame = window.frameGeometry();
        const QPixmap shot =
            window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        status = shot.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
        QApplication::quit();
    });
    application.exec();
    return status;
}
