#include "window/CDarvellDlg.h"
#include "diagnosis/CHistoryEntry.h"
#include "diagnosis/CReport.h"
#include "window/CReportWriter.h"

#include "data/AppState.h"
#include "data/TextCatalogue.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CAddDlg.h"
#include "dialogs/CHistoryDlg.h"
#include "dialogs/CTeamDlg.h"
#include "data/TeamSyncRunner.h"
#include "dialogs/CMessageDlg.h"
#include "dialogs/CSelectDlg.h"
#include "dialogs/CSetDlg.h"
#include "dialogs/FitText.h"
#include "dialogs/SaveFileDlg.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "draw/CBaseStatic.h"
#include "bitmaps/CBmpData.h"
#include "draw/CTextBox.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QShowEvent>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QTextLayout>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QShortcut>

#include <algorithm>
#include <tuple>
#include <cmath>
#include <vector>

namespace {

// Entry buttons in slot order: Main, Sub 1, Sub 2 emitter, then the receivers.
constexpr int kEntryIds[CEnteredStatus::kSlots] = {IDC_EMITTER_MAIN,  IDC_EMITTER_SUB1,  IDC_EMITTER_SUB2,
                                                   IDC_RECEIVER_MAIN, IDC_RECEIVER_SUB1, IDC_RECEIVER_SUB2};
constexpr int kRadioIds[3] = {IDC_THREE_UNITS, IDC_TWO_UNITS, IDC_ONE_UNIT};

// Rows of the three units: entry buttons and the unit labels above them.
constexpr int kSub1Row[4] = {IDC_EMITTER_SUB1, IDC_EMITTER_SUB1_LABEL, IDC_RECEIVER_SUB1,
                             IDC_RECEIVER_SUB1_LABEL};
constexpr int kSub2Row[4] = {IDC_EMITTER_SUB2, IDC_EMITTER_SUB2_LABEL, IDC_RECEIVER_SUB2,
                             IDC_RECEIVER_SUB2_LABEL};
constexpr int kMainRow[4] = {IDC_EMITTER_MAIN, IDC_EMITTER_MAIN_LABEL, IDC_RECEIVER_MAIN,
                             IDC_RECEIVER_MAIN_LABEL};

constexpr CTemplateDialog::TextBinding kTexts[] = {
    {IDC_EMITTER, &g_strEmitter}, {IDC_RECEIVER, &g_strReceiver}, {IDC_EMITTER_SUB2_LABEL, &g_strEmitterSub2},
    {IDC_EMITTER_SUB1_LABEL, &g_strEmitterSub1}, {IDC_EMITTER_MAIN_LABEL, &g_strEmitterMain},
    {IDC_RECEIVER_SUB2_LABEL, &g_strReceiverSub2}, {IDC_RECEIVER_SUB1_LABEL, &g_strReceiverSub1},
    {IDC_RECEIVER_MAIN_LABEL, &g_strReceiverMain}, {IDC_STEP1, &g_strStep1}, {IDC_STEP2, &g_strStep2},
    {IDC_STEP3, &g_strStep3}, {IDC_STEP4, &g_strStep4}, {IDC_COUNT_CAPTION, &g_strCauseCount},
    {IDC_CLEAR, &g_strClear}, {IDC_THREE_UNITS, &g_strThreeUnits}, {IDC_TWO_UNITS, &g_strTwoUnits},
    {IDC_ONE_UNIT, &g_strOneUnit}, {IDC_SETTINGS, &g_strSettings}, {IDCANCEL, &g_strExit},
    {IDC_RESET_NOTE, &g_strResetNote}, {IDC_CHANGE_NOTE, &g_strChangeNote},
};

} // namespace

CDarvellDlg::CDarvellDlg(AppState& app, const Bitmaps& bitmaps, QWidget* parent)
    : CTemplateDialog(g_tmplMain, app, parent), m_bitmaps(bitmaps), m_status(app), m_diag(app)
{
    m_timer.setInterval(kBlinkMs);
    connect(&m_timer, &QTimer::timeout, this, &CDarvellDlg::OnBlinkTimer);

    for (int slot = 0; slot < CEnteredStatus::kSlots; ++slot)
        OnClicked(kEntryIds[slot], [this, slot] { OnEntryButton(slot); });
    for (int i = 0; i < 3; ++i)
        OnClicked(kRadioIds[i], [this, i] { OnUnitsRadio(i); });
    const std::pair<int, void (CDarvellDlg::*)()> buttons[] = {
        {IDC_CLEAR, &CDarvellDlg::OnClear},       {IDC_SETTINGS, &CDarvellDlg::OnSettings},
        {IDC_UP, &CDarvellDlg::OnUp},             {IDC_DOWN, &CDarvellDlg::OnDown},
        {IDC_CONDITIONS, &CDarvellDlg::OnConditionAddition}};
    for (const auto& [id, handler] : buttons)
        connect(Control<CBaseButton>(id), &QAbstractButton::clicked, this, handler);

    InitDialog(); // tests and the program see a complete window before DoModal
}

int CDarvellDlg::EntryButtonId(int slot)
{
    return slot >= 0 && slot < CEnteredStatus::kSlots ? kEntryIds[slot] : -1;
}

CBaseButton* CDarvellDlg::EntryButton(int slot) const
{
    return Control<CBaseButton>(EntryButtonId(slot));
}

void CDarvellDlg::OnInitDialog()
{
    // The window menu stands in for the system menu's About item: Qt leaves the
    // title bar to the window manager, so it opens from the background instead.
    m_pWindowMenu = new QMenu(this);
    m_pWindowMenu->setObjectName(QStringLiteral("WindowMenu"));
    QAction* about = m_pWindowMenu->addAction(QString::fromUtf8(g_strAboutMenuItem));
    about->setObjectName(QStringLiteral("AboutAction"));
    connect(about, &QAction::triggered, this, &CDarvellDlg::OnAbout);
    // The report commands; their shortcuts work with the menu closed, so the
    // actions belong to the window too. Captions follow the language (ReloadScreen).
    m_pWindowMenu->addSeparator();
    const std::tuple<QAction**, const char*, QKeySequence, void (CDarvellDlg::*)()> commands[] = {
        {&m_pPrintAction, "PrintReportAction", QKeySequence(Qt::CTRL | Qt::Key_P), &CDarvellDlg::OnPrintReport},
        {&m_pSavePdfAction, "SaveReportPdfAction", QKeySequence(Qt::CTRL | Qt::Key_S),
         &CDarvellDlg::OnSaveReportPdf},
        {&m_pCopyAction, "CopyReportAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C),
         &CDarvellDlg::OnCopyReport}};
    for (const auto& [action, name, keys, handler] : commands) {
        *action = m_pWindowMenu->addAction(QString());
        (*action)->setObjectName(QString::fromLatin1(name));
        (*action)->setShortcut(keys);
        (*action)->setShortcutContext(Qt::WindowShortcut);
        (*action)->setEnabled(false);
        addAction(*action);
        connect(*action, &QAction::triggered, this, handler);
    }
    // The history, always at hand.
    m_pWindowMenu->addSeparator();
    m_pHistoryAction = m_pWindowMenu->addAction(QString());
    m_pHistoryAction->setObjectName(QStringLiteral("HistoryAction"));
    m_pHistoryAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    m_pHistoryAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_pHistoryAction);
    connect(m_pHistoryAction, &QAction::triggered, this, &CDarvellDlg::OnHistory);
    m_pTeamAction = m_pWindowMenu->addAction(QString());
    m_pTeamAction->setObjectName(QStringLiteral("TeamAction"));
    connect(m_pTeamAction, &QAction::triggered, this, &CDarvellDlg::OnTeam);
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { m_pWindowMenu->popup(mapToGlobal(QPoint(0, 0))); });

    // Three units to start with; the radios are checked by this window only.
    App().m_nUnitsIndex = 0;
    CheckOneOf(kRadioIds, 0);

    for (int id : {IDC_COUNT, IDC_PAGE, IDC_TEXTBOX})
        if (auto* label = Control<CBaseStatic>(id))
            label->SetWhiteBackground(true);
    // A fixed indent: the label's own default depends on the font, and it moves
    // the text down from the top edge as well as in from the left.
    auto* box = Control<CBaseStatic>(IDC_TEXTBOX);
    box->setIndent(3);
    m_pTextBox = new CTextBox(box, this);
    setTabOrder(Control(IDC_CONDITIONS), m_pTextBox);
    auto* copyKey = new QShortcut(QKeySequence::Copy, this);
    connect(copyKey, &QShortcut::activated, this, &CDarvellDlg::OnCopy);

    // A state change never hands the focus to a control that ends the result.
    SetSafeNeighbours(IDC_DOWN, {IDC_UP, IDC_TEXTBOX});
    SetSafeNeighbours(IDC_UP, {IDC_DOWN, IDC_TEXTBOX});
    SetSafeNeighbours(IDC_CONDITIONS, {IDC_DOWN, IDC_UP, IDC_TEXTBOX});
    SetDestructive({IDC_CLEAR, IDC_SETTINGS, IDCANCEL, kRadioIds[0], kRadioIds[1], kRadioIds[2]});
    // A main window of its own, so it can be minimised (its icon stands for it).
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Window | Qt::WindowMinimizeButtonHint);

    ResetEntry();
    ReloadScreen();

    // The settings give the outer size; a smaller screen shrinks the window.
    const Fit fit = FitToScreen(App());
    m_nClientWidth = fit.client.width();
    m_nClientHeight = fit.client.height();
    setFixedSize(m_nClientWidth, m_nClientHeight);
    MoveToTopLeft();

    // The picture is placed and drawn in unscaled pixels.
    const double scale = Scale();
    const int w = static_cast<int>(std::lround(m_nClientWidth / scale));
    m_nUnscaledWidth = w;
    m_ptOrigin = QPoint(w / 2 - kPictureWidth / 2, kPictureTop);
    const QRectF picture(m_ptOrigin, QSizeF(kPictureWidth, kPictureHeight));
    m_rcPicture = QRectF(picture.topLeft() * scale, picture.bottomRight() * scale).toAlignedRect();
}

void CDarvellDlg::ResetEntry()
{
    m_status.Reset();
    m_diag.Reset();
    m_timer.stop();
    m_reopened.reset();
}

void CDarvellDlg::ReloadScreen()
{
    const int lang = Language();
    const AppState& app = App();
    SetTitle(g_strMainTitle[lang]);
    SetTexts(kTexts);
    SetText(IDC_SERIES, g_strSeriesName[app.m_nSeries == 1 ? 1 : 0]);
    SetText(IDC_UP, (app.m_bNonCjkSystem ? g_strUp : g_strUpCjk)[lang]);
    SetText(IDC_DOWN, (app.m_bNonCjkSystem ? g_strDown : g_strDownCjk)[lang]);
    m_pPrintAction->setText(QString::fromUtf8(g_strReportPrint[lang]));
    m_pSavePdfAction->setText(QString::fromUtf8(g_strReportSavePdf[lang]));
    m_pCopyAction->setText(QString::fromUtf8(g_strReportCopy[lang]));
    m_pTeamAction->setText(QString::fromUtf8(g_strTeamMenu[lang]));
    MirrorHistory();

    const int units = app.m_nUnitsIndex;
    for (int id : kMainRow)
        Control(id)->setVisible(true);
    for (int id : kSub1Row)
        Control(id)->setVisible(units == 0 || units == 1);
    for (int id : kSub2Row)
        Control(id)->setVisible(units == 0);

    for (int slot = 0; slot < CEnteredStatus::kSlots; ++slot) {
        CBaseButton* b = EntryButton(slot);
        b->ResetEnteredLook();
        b->setText(QString::fromUtf8(g_strClick[lang]));
        b->update();
    }
    m_pTextBox->SetPage(QString::fromUtf8(app.m_strHelp[lang]));
    SetText(IDC_COUNT, "");
    SetText(IDC_PAGE, "");
    SetText(IDC_CONDITIONS, g_strAddConditions[lang]);
    Control(IDC_CONDITIONS)->setEnabled(true);
    // Scaled fonts are not quite proportional (hinting widens small bold text):
    // a scaled window steps each text down until it fits again.
    if (Scale() < 1.0)
        FitAllTexts(*this);
    LiftCutLabels();
    MirrorView();
}

namespace {

// How far below the top of its line a one-line text reaches: glyph ink of every
// font the line draws with (a fallback font also moves the baseline down), and
// the underline.
int InkBottom(const QFont& font, const QString& text)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e6);
    layout.endLayout();
    qreal bottom = 0;
    for (const QGlyphRun& run : layout.glyphRuns())
        bottom = std::max(bottom, run.boundingRect().bottom());
    if (font.underline()) {
        const QFontMetricsF fm(font);
        bottom = std::max(bottom, line.ascent() + fm.underlinePos() + fm.lineWidth());
    }
    return static_cast<int>(std::ceil(bottom));
}

} // namespace

void CDarvellDlg::LiftCutLabels()
{
    // A one-line label is as high as its font's cell, but glyphs of a fallback
    // font (the Chinese texts) reach below the cell and would lose their bottom
    // edge. Such a label moves up by what is missing, so its text still ends on
    // its template line. Left-aligned labels also end where their text ends, so
    // a lifted label never lies across its neighbour's empty space.
    constexpr int kMaxLift = 8;
    // Top to bottom, so a label's neighbours above are already placed.
    std::vector<const ControlTemplate*> order;
    for (const ControlTemplate& c : Template().controls)
        order.push_back(&c);
    std::stable_sort(order.begin(), order.end(),
                     [](const ControlTemplate* a, const ControlTemplate* b) { return a->y < b->y; });
    for (const ControlTemplate* pc : order) {
        const ControlTemplate& c = *pc;
        auto* label = Control<CBaseStatic>(c.id);
        if (!label || (c.flags & kSunken))
            continue;
        const PixelRect r = ScaledRect(c);
        const QString text = label->text();
        const QFontMetrics fm(label->font());
        if (text.isEmpty() || text.contains(u'\n') || fm.horizontalAdvance(text) > r.width) {
            label->setGeometry(r.left, r.top, r.width, r.height); // wraps: left as it is
            continue;
        }
        const int inkBottom = InkBottom(label->font(), text);
        const int width = (c.flags & kCentred) ? r.width : std::min(r.width, fm.horizontalAdvance(text) + 2);
        // Never up into a control above it.
        int ceiling = r.top - kMaxLift;
        for (QWidget* other : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect g = other->geometry();
            if (other != label && !other->isWindow() && g.bottom() < r.top && g.left() < r.left + width &&
                g.right() >= r.left)
                ceiling = std::max(ceiling, g.bottom() + 1);
        }
        const int lift = std::clamp(inkBottom - r.height, 0, r.top - ceiling);
        label->setGeometry(r.left, r.top - lift, width, r.height + lift);
    }
}

void CDarvellDlg::MirrorEntryButtons()
{
    const bool locked = m_diag.View().m_bEntryButtonsDisabled;
    for (int slot = 0; slot < CEnteredStatus::kSlots; ++slot)
        EntryButton(slot)->setEnabled(!locked && m_status.IsEnabled(slot));
}

void CDarvellDlg::MirrorView()
{
    const DiagnosisView& v = m_diag.View();
    for (int id : {IDC_COUNT, IDC_COUNT_CAPTION, IDC_PAGE})
        Control(id)->setVisible(v.m_bResultsVisible);
    // Shown and enabled first, so that a control losing the focus finds its
    // neighbour ready for it.
    const std::tuple<int, bool, bool> states[] = {
        {IDC_UP, v.m_bUpDownVisible, v.m_bUpEnabled},
        {IDC_DOWN, v.m_bUpDownVisible, v.m_bDownEnabled},
        {IDC_CONDITIONS, v.m_bConditionVisible, Control(IDC_CONDITIONS)->isEnabled()}};
    for (bool on : {true, false}) {
        for (const auto& [id, shown, enabled] : states) {
            if (shown == on)
                Control(id)->setVisible(shown);
            if (enabled == on)
                Control(id)->setEnabled(enabled);
        }
    }
    MirrorEntryButtons();
    const bool result = m_diag.CauseCount() > 0;
    for (QAction* a : {m_pPrintAction, m_pSavePdfAction, m_pCopyAction})
        a->setEnabled(result);
    if (!v.m_bBlinkRunning)
        m_timer.stop();
    KeepFocusSafe();
}

void CDarvellDlg::ShowPage()
{
    if (m_diag.CauseCount() == 0)
        return;
    m_pTextBox->SetPage(QString::fromStdString(m_diag.PageText()));
    SetText(IDC_PAGE, m_diag.PageLabel());
    SetText(IDC_COUNT, m_diag.CountLabel());
}

void CDarvellDlg::ShowResults()
{
    ShowPage();
    MirrorView();
    RestartBlink();
    update(m_rcPicture);
}

void CDarvellDlg::StartOver()
{
    ResetEntry();
    ReloadScreen();
    update(m_rcPicture);
}

void CDarvellDlg::RestartBlink()
{
    m_timer.start(kBlinkMs); // restarts a running timer: phase 0 gets its full period
}

void CDarvellDlg::OnBlinkTimer()
{
    m_diag.ToggleBlink();
    update(m_rcPicture);
}

void CDarvellDlg::OnEntryButton(int slot)
{
    CBaseButton* button = EntryButton(slot);
    if (!button || !m_status.IsEnabled(slot))
        return;
    m_timer.stop();

    CaptionSet captions;
    m_status.Captions(slot, captions);
    const std::array<bool, 14> choices = m_status.Choices(slot);
    int result = 0;
    {
        CSelectDlg picker(App(), m_bitmaps, this);
        picker.SetCaptions(&captions[1]);
        for (int i = 0; i < 14; ++i)
            picker.m_Entries[i].m_bEnabled = choices[static_cast<size_t>(i)] ? 1 : 0;
        result = picker.DoModal();
    }
    if (result < IDC_CODE_FIRST || result > IDC_CODE_LAST)
        return;

    const bool complete = m_status.Enter(slot, result - IDC_CODE_FIRST + 1);
    ShowEnteredCode(slot);
    MirrorEntryButtons();
    button->update();

    // A complete entry leaves the focus to its result (RunDiagnosis), never on
    // CLEAR, where the next Enter would wipe the result unread.
    if (const int next = m_status.NextSlot(); next != CEnteredStatus::kNoSlot)
        EntryButton(next)->setFocus(Qt::OtherFocusReason);

    if (complete)
        RunDiagnosis();
}

void CDarvellDlg::FocusResult()
{
    // Enter and Space page there or do nothing; CLEAR takes the focus only from the user.
    for (QWidget* w : {Control(IDC_DOWN), static_cast<QWidget*>(m_pTextBox)}) {
        if (w->isVisibleTo(this) && w->isEnabled()) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void CDarvellDlg::ShowEnteredCode(int slot)
{
    CaptionSet captions;
    m_status.Captions(slot, captions);
    CBaseButton* button = EntryButton(slot);
    button->SetEnteredLook();
    button->setText(QString::fromUtf8(captions[static_cast<std::size_t>(m_status.Code(slot))]));
}

void CDarvellDlg::RunDiagnosis()
{
    if (const std::optional<Message> failure = m_diag.Diagnose(m_status)) {
        StartOver();
        ShowMessage(App(), *failure);
        return;
    }
    m_status.DisableAll();
    ShowResults();
    FocusResult();
    RecordResult(false);
}

void CDarvellDlg::OnUnitsRadio(int index)
{
    if (CheckOf(kRadioIds[index]) == 0) {
        App().m_nUnitsIndex = index;
        CheckOneOf(kRadioIds, index);
    }
    // A checked radio still clears the entry: the user asked for a fresh start.
    StartOver();
}

void CDarvellDlg::OnClear()
{
    StartOver();
}

void CDarvellDlg::OnSettings()
{
    int result = 0;
    {
        CSetDlg settings(App(), m_bitmaps, this);
        result = settings.DoModal();
    }
    ResetEntry();
    if (result == IDCANCEL) {
        done(IDCANCEL);
        return;
    }
    ReloadScreen();
    update(m_rcPicture);
}

void CDarvellDlg::OnUp()
{
    if (!m_diag.Up())
        return;
    ShowResults();
}

void CDarvellDlg::OnDown()
{
    if (!m_diag.Down())
        return;
    ShowResults();
}

void CDarvellDlg::OnConditionAddition()
{
    int result = 0, interlock = 0, halt = 0;
    {
        CAddDlg add(App(), m_bitmaps, this);
        add.SetUnlitValue(1);
        add.SetLitValue(2);
        result = add.DoModal();
        interlock = add.GetInterlockState();
        halt = add.GetHaltState();
    }
    // Closed without OK the lamp states are unknown: the list stays as it is.
    if (!m_diag.ApplyConditions(interlock, halt, result == IDOK))
        return;
    ShowResults();
    RecordResult(true);
}

void CDarvellDlg::OnAbout()
{
    CAboutDlg about(App(), this);
    about.DoModal();
}

void CDarvellDlg::OnCopy()
{
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(m_pTextBox->CopyText());
}

void CDarvellDlg::keyPressEvent(QKeyEvent* event)
{
    // The keypad's keys (Num Lock off) carry the keypad modifier and page alike.
    const bool down = event->key() == Qt::Key_PageDown, up = event->key() == Qt::Key_PageUp;
    if ((down || up) && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && m_diag.CauseCount() > 1) {
        // At either end of the list nothing changes: the box keeps its place.
        if (down && m_diag.Page() < m_diag.CauseCount() - 1) {
            OnDown();
        } else if (up && m_diag.Page() > 0) {
            // From the top of the box's page back to where the previous page ends.
            const bool fromBox = m_pTextBox->hasFocus();
            OnUp();
            if (fromBox)
                m_pTextBox->SetPage(m_pTextBox->Label()->text(), true);
        }
        return;
    }
    CTemplateDialog::keyPressEvent(event);
}

void CDarvellDlg::OnPrintReport()
{
    if (m_diag.CauseCount() == 0)
        return;
    QPrinter printer(QPrinter::HighResolution); // the printer's own default paper
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintReport(printer);
}

bool CDarvellDlg::PrintReport(QPrinter& printer)
{
    const CReport report = CReport::Build(App(), m_status, m_diag, m_reopened ? &*m_reopened : nullptr);
    printer.setDocName(QString::fromStdString(report.m_strTitle));
    if (CReportWriter(report, m_bitmaps).Paint(printer))
        return true;
    // A printer that cannot start (a file that cannot be written, a queue that is gone).
    std::string text = g_strReportPrintFailed[Language()];
    if (!printer.outputFileName().isEmpty())
        text += "\n" + QDir::toNativeSeparators(printer.outputFileName()).toStdString();
    ShowMessage(App(), text);
    return false;
}

void CDarvellDlg::OnSaveReportPdf()
{
    if (m_diag.CauseCount() == 0)
        return;
    const CReport report = CReport::Build(App(), m_status, m_diag, m_reopened ? &*m_reopened : nullptr);
    const int lang = Language();
    // A record taken over without a time of its own gives no stamp.
    const QString name = report.m_strStamp.empty() ? QStringLiteral("Darvell.pdf")
                                                   : QStringLiteral("Darvell-%1.pdf").arg(QString::fromStdString(report.m_strStamp));
    const std::optional<QString> path = AskSavePath(this, g_strReportSavePdf, g_strReportPdfFilter, lang,
                                                    QStringLiteral("pdf"), name, App().m_strSaveFolder);
    if (!path)
        return;
    QString error;
    if (CReportWriter(report, m_bitmaps).WritePdf(*path, &error)) {
        // The window menu says where it went, until the screen starts over.
        m_pSavePdfAction->setText(QString::fromUtf8(g_strReportSavePdf[lang]) + QStringLiteral(" (")
                                  + QString::asprintf(g_strReportSavedTo[lang], NativePath(*path).c_str()) + u')');
        return;
    }
    ShowMessage(App(), std::string(g_strReportSaveFailed[lang]) + "\n" + QDir::toNativeSeparators(*path).toStdString() +
                           "\n" + error.toStdString());
}

void CDarvellDlg::OnCopyReport()
{
    if (m_diag.CauseCount() == 0)
        return;
    const CReport report = CReport::Build(App(), m_status, m_diag, m_reopened ? &*m_reopened : nullptr);
    QGuiApplication::clipboard()->setText(QString::fromStdString(report.PlainText()));
}

void CDarvellDlg::RecordResult(bool narrowed)
{
    // A history that cannot be written leaves the result as it is; the
    // history command says so.
    m_history.Append(CHistoryEntry::Make(App(), m_status, m_diag, narrowed));
    MirrorHistory();
}

void CDarvellDlg::MirrorHistory()
{
    const int lang = Language();
    QString text = QString::fromUtf8(g_strHistoryMenu[lang]);
    if (m_history.LastFailure()) {
        const std::string reason = CHistory::Reason(m_history.LastFailure(), lang);
        char buf[512];
        std::snprintf(buf, sizeof buf, g_strHistoryNotKept[lang], reason.c_str());
        text += QStringLiteral(" (%1)").arg(QString::fromUtf8(buf));
    }
    m_pHistoryAction->setText(text);
}

void CDarvellDlg::OnHistory()
{
    std::optional<HistoryRecord> chosen;
    {
        CHistoryDlg history(App(), m_history, this, m_team.get());
        if (history.DoModal() == IDOK && history.Chosen())
            chosen = *history.Chosen();
    }
    if (chosen)
        OpenRecord(*chosen);
}

void CDarvellDlg::OnTeam()
{
    CTeamDlg team(App(), this);
    if (team.DoModal() == IDOK)
        StartTeam();
}

CDarvellDlg::~CDarvellDlg() = default;

void CDarvellDlg::showEvent(QShowEvent* event)
{
    CTemplateDialog::showEvent(event);
    if (!event->spontaneous() && !m_bTeamStarted) {
        m_bTeamStarted = true;
        StartTeam();
    }
}

void CDarvellDlg::StartTeam()
{
    // A Team.ini that cannot be read runs no sync; the team dialog says why.
    TeamSettings settings;
    TeamSettingsError error;
    m_team.reset();
    const bool set = team::ReadSettings(team::SettingsPath(), settings, error) && settings.IsSet();
    m_history.SetAuthor(set ? settings.m_strUser : std::string());
    if (!set)
        return;
    m_team = std::make_unique<CTeamSyncRunner>(m_history, std::move(settings));
    m_team->Ask();
}

void CDarvellDlg::OpenRecord(const HistoryRecord& record)
{
    // The empty entry of the record's series and units, then its codes.
    CHistoryEntry::SelectUnits(App(), record);
    CheckOneOf(kRadioIds, App().m_nUnitsIndex);
    StartOver();
    const HistoryReplay replay = CHistoryEntry::Replay(App(), record, m_status, m_diag);
    if (replay.m_outcome == HistoryReplay::Outcome::CannotEnter) {
        ShowMessage(App(), g_strHistoryCannotOpen);
        return;
    }
    for (int slot = 0; slot < CEnteredStatus::kSlots; ++slot)
        if (m_status.IsEntered(slot))
            ShowEnteredCode(slot);
    MirrorEntryButtons();
    if (replay.m_outcome == HistoryReplay::Outcome::LookupFailed) {
        StartOver();
        ShowMessage(App(), *replay.m_failure);
        return;
    }
    m_reopened = record;
    ShowResults();
    FocusResult();
    if (replay.m_bChanged) {
        char buf[1024];
        std::snprintf(buf, sizeof buf, g_strHistoryChanged[Language()],
                      HistoryRecord::ErrorNumbers(record.m_nErrNos).c_str(),
                      HistoryRecord::ErrorNumbers(replay.m_nErrNos).c_str());
        ShowMessage(App(), std::string(buf));
    }
}

void CDarvellDlg::contextMenuEvent(QContextMenuEvent* event)
{
    m_pWindowMenu->popup(event->globalPos());
}

void CDarvellDlg::PaintPictures(QPainter& painter)
{
    DrawPictureRow(painter, m_bitmaps, m_diag.PictureRowNow(), m_ptOrigin.x(), m_ptOrigin.y());
    DrawPicture(painter, m_bitmaps, Picture::Logo, m_nUnscaledWidth);
}
