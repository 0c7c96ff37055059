#include "app/CDarvellApp.h"
#include "app/StartupTrace.h"
#include "bitmaps/AppIcon.h"

#include <QApplication>

int main(int, char** argv)
{
    StartupMark("exec -> main()");
    // The program takes no options: Qt's own (-style, -reverse ...) are not passed on.
    int argc = 1;
    QApplication qapp(argc, argv);
    StartupMark("QApplication");
    QApplication::setApplicationName(QStringLiteral("Darvell"));
    QApplication::setWindowIcon(AppIcon());

    CDarvellApp app;
    return app.InitInstance();
}
