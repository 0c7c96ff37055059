#include "data/AppState.h"
#include "data/TextCatalogue.h"
#include "dialogs/CTeamDlg.h"
#include "platform/ExeDir.h"
#include "tests/support/SilentListener.h"
#include "tests/support/TempDataDir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <chrono>

// The stored settings shown, the password never; OK with the box empty keeps
// the stored password for the settings as changed; a save that fails says
// where and keeps the window open.
TEST(CTeamDlg, ShowsStoredSettingsKeepsThePasswordAndSaysWhyASaveFailed)
{
    TempDataDir dir;
    const std::string ini = dir.PathOf("Team.ini"), pass = dir.PathOf("pgpass");
    TeamSettings s;
    s.m_strHost = "db.plant";
    s.m_strDatabase = "darvell";
    s.m_strUser = "wang";
    s.m_strSslMode = "require";
    TeamSettingsError error;
    ASSERT_TRUE(team::SaveSettings(ini, pass, s, "secret", error));
    AppState app;
    app.m_nLanguage = 1;
    {
        CTeamDlg dlg(app, nullptr, ini, pass);
        EXPECT_EQ(dlg.Field(IDC_TEAM_HOST)->text(), "db.plant");
        EXPECT_EQ(dlg.SslModeBox()->currentText(), "require");
        EXPECT_TRUE(dlg.Field(IDC_TEAM_PASSWORD)->text().isEmpty());
        EXPECT_EQ(dlg.Field(IDC_TEAM_PASSWORD)->placeholderText().toStdString(), g_strTeamPasswordKept[1]);
        dlg.Field(IDC_TEAM_HOST)->setText("10.0.0.5");
        dlg.OnOK();
        EXPECT_EQ(dlg.result(), CTemplateDialog::IDOK);
    }
    s.m_strHost = "10.0.0.5";
    EXPECT_EQ(dir.Read("pgpass"), team::PasswordLine(s, "secret"));

    dir.Remove("Team.ini");
    dir.MakeDir("Team.ini");
    CTeamDlg dlg(app, nullptr, ini, pass);
    EXPECT_NE(dlg.StatusLine()->text().toStdString().find(ini), std::string::npos) << "no message on a broken file";
    dlg.Field(IDC_TEAM_HOST)->setText("h");
    dlg.OnOK();
    EXPECT_EQ(dlg.result(), 0) << "closed after a failed save";
    EXPECT_NE(dlg.StatusLine()->text().toStdString().find(ini), std::string::npos);
}

// Test connection answers on the window's thread in words; closing the window
// while the server stays silent ends the test at once.
TEST(CTeamDlg, TestConnectionSaysWhatFailedAndEndsWithTheWindow)
{
    TempDataDir dir;
    platform::SetExecutableDirForTesting(DARVELL_BINARY_DIR); // the module
    AppState app;
    app.m_nLanguage = 0;
    CTeamDlg dlg(app, nullptr, dir.PathOf("Team.ini"), dir.PathOf("pgpass"));
    QSignalSpy finished(&dlg, &CTeamDlg::testFinished);
    dlg.OnTest();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(dlg.StatusLine()->text().toStdString(), g_strTeamWhy[static_cast<int>(TeamError::Kind::NotSet)][0]);

    SilentListener silent;
    ASSERT_GT(silent.port, 0);
    for (const auto& [id, text] : {std::pair{IDC_TEAM_HOST, QString("127.0.0.1")}, {IDC_TEAM_DATABASE, QString("d")},
                                   {IDC_TEAM_USER, QString("u")}, {IDC_TEAM_PORT, QString::number(silent.port)}})
        dlg.Field(id)->setText(text);
    dlg.SslModeBox()->setCurrentText("require");
    dlg.OnTest();
    EXPECT_TRUE(dlg.IsTesting());
    const auto start = std::chrono::steady_clock::now();
    dlg.done(CTemplateDialog::IDCANCEL);
    EXPECT_FALSE(dlg.IsTesting());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    platform::SetExecutableDirForTesting({});
}
