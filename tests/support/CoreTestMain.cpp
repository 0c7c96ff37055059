// Core test programs run inside a QCoreApplication only: they link no Gui or
// widget library, so a widget include in the core fails their build.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
