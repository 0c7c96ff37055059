#include "app/CDarvellApp.h"
#include "draw/AppIcon.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Darvell"));
    QApplication::setWindowIcon(AppIcon());

    CDarvellApp app;
    return app.InitInstance();
}
