#include "data/AppState.h"
#include "data/ControlIds.h"
#include "data/TextCatalogue.h"
#include "dialogs/CMessageDlg.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseStatic.h"
#include "tests/support/ModalRunner.h"
#include "tests/support/PixelProbe.h"

#include <QTest>
#include <gtest/gtest.h>


namespace {

struct Shown {
    QString title;
    QString text;
    int lines = 0;
    bool okFocused = false;
};

// Runs the box for one message and reads what it shows, then presses Enter on OK.
Shown ShowAndConfirm(int msg, int language, int* result)
{
    AppState app;
    app.m_nLanguage = language;
    CMessageDlg dlg(app);
    dlg.m_nMsg = msg;
    Shown shown;
    WhenModalShown([&](QWidget* w) {
        ASSERT_EQ(w, &dlg);
        shown.title = dlg.windowTitle();
        auto* label = dlg.Control<CBaseStatic1>(IDC_MESSAGE);
        ASSERT_NE(label, nullptr);
        shown.text = label->text();
        const QImage image = Render(*label);
        shown.lines = int(RowBands(image, image.rect(), Qt::black).size());
        auto* ok = dlg.Control<CBaseButton>(IDOK);
        ASSERT_NE(ok, nullptr);
        shown.okFocused = dlg.focusWidget() == ok;
        // With DARVELL_SHOT_DIR set, keep a picture of each box for a look.
        if (const QByteArray dir = qgetenv("DARVELL_SHOT_DIR"); !dir.isEmpty())
            dlg.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/message-%1-%2.png").arg(msg).arg(language));
        QTest::keyClick(ok, Qt::Key_Return);
    });
    *result = dlg.DoModal();
    return shown;
}

// A text with a line break breaks there: each half alone takes fewer lines than the whole.
TEST(CMessageDlg, ShowsEveryMessageInBothLanguagesAndEnterOnOkCloses)
{
    AppState app;
    CBaseStatic1 label(app);
    label.SetWhiteBackground(true);
    label.resize(334, 95);
    auto lines = [&](const QString& s) {
        label.setText(s);
        const QImage image = Render(label);
        return int(RowBands(image, image.rect(), Qt::black).size());
    };
    int broken = 0;
    for (int msg = 0; msg < 11; ++msg) {
        for (int language : {0, 1}) {
            int result = 0;
            const Shown shown = ShowAndConfirm(msg, language, &result);
            const QString text = QString::fromUtf8(g_strMessage[msg][language]);
            EXPECT_EQ(shown.text, text) << msg << "/" << language;
            EXPECT_EQ(shown.title, QString::fromUtf8(g_strMessageTitle[language]));
            EXPECT_EQ(result, CTemplateDialog::IDOK) << msg << "/" << language;
            EXPECT_TRUE(shown.okFocused);
            const QStringList parts = text.split(QLatin1Char('\n'));
            EXPECT_GE(shown.lines, parts.size()) << msg << "/" << language;
            if (parts.size() == 2) {
                ++broken;
                EXPECT_EQ(lines(text), lines(parts[0]) + lines(parts[1])) << msg << "/" << language;
            }
        }
    }
    EXPECT_EQ(broken, 5); // the English texts of messages 0, 2, 6, 8 and 10
}

TEST(CMessageDlg, EscapeDoesNothingButTheCloseBoxCloses)
{
    AppState app;
    app.m_nLanguage = 1;
    CMessageDlg dlg(app);
    dlg.m_nMsg = 4;
    bool stillOpen = false;
    WhenModalShown([&](QWidget*) {
        QTest::keyClick(dlg.focusWidget() ? dlg.focusWidget() : &dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        stillOpen = dlg.isVisible();
        dlg.close();
    });
    EXPECT_EQ(dlg.DoModal(), CTemplateDialog::IDCANCEL);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(dlg.Text(IDC_MESSAGE), "Darvell is open, already.");
}

TEST(CMessageDlg, LooksLikeTheProgram)
{
    AppState app;
    CMessageDlg dlg(app);
    EXPECT_EQ(dlg.objectName(), QStringLiteral("CMessageDlg"));
    EXPECT_EQ(dlg.size(), QSize(390, 201));
    EXPECT_TRUE(dlg.windowFlags() & Qt::WindowCloseButtonHint);
    const QImage image = Render(dlg);
    EXPECT_EQ(image.pixelColor(5, 5), QColor(135, 255, 135));
    EXPECT_EQ(dlg.Text(IDOK), "OK");
}

// The hook is told the number and language instead of showing the box; a
// number outside the table shows no text.
TEST(CMessageDlg, HookReceivesNumberAndLanguageInsteadOfShowing)
{
    std::vector<std::pair<int, int>> seen;
    CMessageDlg::SetShowHookForTesting([&](int msg, int language) { seen.push_back({msg, language}); });
    AppState app;
    app.m_nLanguage = 0;
    for (int msg : {8, -1, 11, 1000}) {
        CMessageDlg dlg(app);
        dlg.m_nMsg = msg;
        const int result = dlg.DoModal();
        EXPECT_EQ(dlg.Text(IDC_MESSAGE), msg == 8 ? g_strMessage[8][0] : "") << msg;
        EXPECT_FALSE(dlg.isVisible()) << msg;
        if (msg == 8) {
            EXPECT_EQ(result, CTemplateDialog::IDOK);
            EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{8, 0}}));
        }
    }
    CMessageDlg::SetShowHookForTesting({});
}

} // namespace
