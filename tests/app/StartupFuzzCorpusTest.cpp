// Every input of the bitmap fuzz corpus that the loader refuses, put in place
// of a tile of a sound data directory, ends start-up with message 8 and nothing
// else, in the language of "Setting.ini".
#include "app/CDarvellApp.h"
#include "dialogs/CMessageDlg.h"
#include "bitmaps/CBmpData.h"
#include "platform/InstanceGuard.h"
#include "tests/support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(StartupFuzzCorpus, RefusedTileEndsWithMessage8)
{
    QTemporaryDir lockDir;
    ASSERT_TRUE(lockDir.isValid());
    platform::CInstanceGuard::SetLockDirForTesting(lockDir.path().toStdString());
    TempDataDir dir;
    ASSERT_TRUE(dir.CopySampleDir(DARVELL_BINARY_DIR "/QL7_Tool"));
    const std::string tile = CBmpData::CodeFileName(5);

    std::vector<std::pair<int, int>> messages;
    CMessageDlg::SetShowHookForTesting([&](int msg, int language) { messages.push_back({msg, language}); });
    int refused = 0;
    const QDir corpus(DARVELL_SOURCE_DIR "/tests/fuzz/corpus/FuzzBitmapLoad");
    for (const QString& name : corpus.entryList(QDir::Files)) {
        QFile f(corpus.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        ASSERT_TRUE(dir.Write(tile, std::string_view(bytes.constData(), bytes.size())));
        QPixmap probe;
        if (CBmpData::LoadBitmapFile(tile, &probe))
            continue; // a readable tile would open the settings screen
        ++refused;
        messages.clear();
        CDarvellApp app;
        EXPECT_EQ(app.InitInstance(), CDarvellApp::kExitStartupFailed) << name.toStdString();
        EXPECT_EQ(messages, (std::vector<std::pair<int, int>>{{8, 1}})) << name.toStdString();
    }
    CMessageDlg::SetShowHookForTesting({});
    platform::CInstanceGuard::SetLockDirForTesting({});
    EXPECT_GT(refused, 0) << "the corpus holds no refused input";
}

} // namespace
