#include "applicationicon.h"
#include "filesizesignal.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    quillmark::ignoreFileSizeSignal();
    QApplication application(argc, argv);
    // Desktops match the running window to the installed desktop entry and
    // theme icon by this name; the window carries the same icon itself, so
    // it has it when run from the build folder too.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLMARK_APPLICATION_ID));
    QApplication::setWindowIcon(applicationIcon());
    mainwindow window;
    window.show();
    QObject::connect(&application, &QGuiApplication::lastWindowClosed, &application, &QCoreApplication::quit);
    return application.exec();
}
