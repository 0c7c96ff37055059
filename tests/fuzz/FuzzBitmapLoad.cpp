// Any bytes in place of a tile: the program's loader either refuses the file
// or hands back a real image, and never crashes.
#include "bitmaps/CBmpData.h"
#include "platform/ExeDir.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QGuiApplication>
#include <filesystem>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Qt's complaints about each broken file would only slow the run down.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    std::filesystem::create_directories(fuzz::TempDir() + "/QL7_Tool");
    platform::SetExecutableDirForTesting(fuzz::TempDir());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string name = CBmpData::CodeFileName(0);
    fuzz::WriteBytes(platform::DataPath(name),
                     std::string_view(reinterpret_cast<const char*>(data), size));
    QPixmap slot(4, 4); // a stale image must not survive a failed load
    const bool loaded = CBmpData::LoadBitmapFile(name, &slot);
    FUZZ_CHECK(loaded == !slot.isNull());
    if (loaded)
        FUZZ_CHECK(slot.width() > 0 && slot.height() > 0);

    // Start-up loads the tiles in order and stops at this one when it fails.
    std::array<QPixmap, 33> tiles;
    FUZZ_CHECK(CBmpData::LoadCodeBitmaps(tiles.data()) == false || loaded);
    if (!loaded)
        FUZZ_CHECK(tiles[0].isNull() && tiles[1].isNull());
    return 0;
}
