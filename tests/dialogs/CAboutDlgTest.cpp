#include "data/AppState.h"
#include "dialogs/CAboutDlg.h"
#include "tests/support/ModalRunner.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(CAboutDlg, EscapeCancelsAndOkIsTheDefaultAndEndsWithOk)
{
    AppState app;
    for (bool escape : {true, false}) {
        CAboutDlg dlg(app);
        auto* ok = dlg.Control<QPushButton>(IDOK);
        ASSERT_NE(ok, nullptr);
        EXPECT_TRUE(ok->isDefault());
        WhenModalShown([&](QWidget*) {
            escape ? QTest::keyClick(&dlg, Qt::Key_Escape) : QTest::mouseClick(ok, Qt::LeftButton);
        });
        EXPECT_EQ(dlg.DoModal(), escape ? CTemplateDialog::IDCANCEL : CTemplateDialog::IDOK);
    }
}

TEST(CAboutDlg, TitleIconAndPlainLook)
{
    AppState app;
    CAboutDlg dlg(app);
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Darvellのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(dlg.objectName(), QStringLiteral("CAboutDlg"));
    EXPECT_EQ(dlg.size(), QSize(470, 96));
    auto* icon = dlg.Control<QLabel>(-1);
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    EXPECT_NE(dlg.palette().color(QPalette::Window), QColor(135, 255, 135));
}

} // namespace
