#include "app/CDarvellApp.h"
#include "app/StartupTrace.h"
#include "platform/Heap.h"

#include <QApplication>

int main(int, char** argv)
{
    StartupMark("exec -> main()");
    // The program takes no options: Qt's own (-style, -reverse ...) are not passed on.
    int argc = 1;
    platform::UseTwoHeaps(); // before the first thread
    CFontConfigurationLoad fontConfiguration; // beside QApplication's own start
    QApplication qapp(argc, argv);
    StartupMark("QApplication");
    QApplication::setApplicationName(QStringLiteral("Darvell"));

    CDarvellApp app;
    return app.InitInstance();
}
