#include "dialogs/CTemplateDialog.h"

#include "data/AppState.h"
#include "data/UnitRules.h"
#include "dialogs/CKeyFilter.h"
#include "bitmaps/AppIcon.h"
#include "draw/CBaseButton.h"
#include "draw/CBaseButtonR.h"
#include "draw/CBaseStatic.h"
#include "draw/ControlFont.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <algorithm>
#include <cmath>

QMargins CTemplateDialog::s_frame;
bool CTemplateDialog::s_frameKnown = false;

namespace {
QString FromUtf8(std::string_view s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

int Scaled(int px, double scale)
{
    return static_cast<int>(std::lround(px * scale));
}
} // namespace

CTemplateDialog::Fit CTemplateDialog::FitToScreen(const AppState& app)
{
    const QSize nominal(app.m_nDialogWidth > 0 ? app.m_nDialogWidth : 1024,
                        app.m_nDialogHeight > 0 ? app.m_nDialogHeight : 768);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(QPoint(), nominal);
    if (s_frameKnown)
        return FitToArea(nominal, avail, s_frame);
    // The first window is placed before the window manager has framed any of
    // ours: it fits as if a frame of typical size were around it, so that its
    // title bar and its bottom row stay on the screen.
    return FitToArea(nominal, avail.marginsRemoved(kTypicalFrame), {});
}

CTemplateDialog::Fit CTemplateDialog::FitToArea(QSize nominal, const QRect& avail, const QMargins& frame)
{
    // The nominal size is the window's outer size; where it does not fit the
    // available area (panels excluded) at the desktop's scale, the window
    // shrinks by one factor in both directions, and its contents with it. An
    // empty area tells nothing and shrinks nothing.
    const int w = nominal.width(), h = nominal.height();
    const double outer =
        avail.isEmpty() ? 1.0 : std::min({1.0, double(avail.width()) / w, double(avail.height()) / h});
    Fit fit;
    auto shrink = [outer](int px) { return static_cast<int>(std::floor(px * outer + 1e-9)); };
    fit.client = QSize(shrink(w) - frame.left() - frame.right(), shrink(h) - frame.top() - frame.bottom());
    // The controls of the full-size template need this much of the client area.
    const double needW = DluToPixelX(g_tmplMain.width), needH = DluToPixelY(g_tmplMain.height);
    fit.scale = std::min({1.0, fit.client.width() / needW, fit.client.height() / needH});
    // A tiny area would leave no window and no text to read (or a zero or
    // negative scale): the window stops shrinking and reaches past the screen.
    if (!(fit.scale >= kMinScale)) {
        fit.scale = kMinScale;
        fit.client = QSize(int(std::ceil(needW * kMinScale)), int(std::ceil(needH * kMinScale)));
    }
    return fit;
}

PixelRect CTemplateDialog::ScaledRect(const ControlTemplate& c) const
{
    const PixelRect r = ControlRect(c);
    const int left = Scaled(r.left, m_scale), top = Scaled(r.top, m_scale);
    return {left, top, Scaled(r.left + r.width, m_scale) - left, Scaled(r.top + r.height, m_scale) - top};
}

void CTemplateDialog::MoveToTopLeft()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    move(screen ? screen->availableGeometry().topLeft() : QPoint(0, 0));
}

CTemplateDialog::CTemplateDialog(const DialogTemplate& tmpl, AppState& app, QWidget* parent, Look look)
    : QDialog(parent), m_tmpl(tmpl), m_app(app), m_look(look)
{
    setObjectName(QString::fromLatin1(tmpl.className));
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (tmpl.systemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    m_scale = FitToScreen(app).scale;
    setFixedSize(Scaled(DluToPixelX(tmpl.width), m_scale), Scaled(DluToPixelY(tmpl.height), m_scale));
    // The program's own icon, set on the application at start; drawn here only without it.
    const QIcon appIcon = QGuiApplication::windowIcon();
    setWindowIcon(appIcon.isNull() ? AppIcon() : appIcon);

    if (look == Look::Program) {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, BackgroundColour());
        setPalette(pal);
        setAutoFillBackground(true);
    }
    for (const ControlTemplate& c : tmpl.controls) {
        QWidget* w = CreateControl(c);
        w->setObjectName(QString::number(c.id));
        const PixelRect r = ScaledRect(c);
        w->setGeometry(r.left, r.top, r.width, r.height);
        if (m_scale < 1.0) {
            // Fonts scale with the window, so text stays sharp.
            QFont font = w->font();
            if (font.pixelSize() > 0) {
                font.setPixelSize(std::max(1, Scaled(font.pixelSize(), m_scale)));
                w->setFont(font);
            }
        }
        if (c.flags & kHidden)
            w->setHidden(true);
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && (c.id == IDOK || c.id == IDCANCEL)) {
            const int id = c.id;
            connect(b, &QAbstractButton::clicked, this, [this, id] {
                if (id == IDOK)
                    OnOK();
                else
                    OnCancel();
            });
        }
    }
    if (look == Look::Program)
        CKeyFilter::Install(this);
}

QWidget* CTemplateDialog::CreateControl(const ControlTemplate& c)
{
    const QString text = QString::fromUtf8(c.text);
    auto label = [&](QLabel* l) -> QWidget* {
        l->setText(text);
        if (c.flags & kCentred)
            l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        if (c.flags & kSunken) {
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            l->setLineWidth(1);
        }
        return l;
    };
    auto button = [&](QAbstractButton* b) -> QWidget* {
        b->setText(text);
        return b;
    };
    switch (c.cls) {
    case ControlClass::BaseButton: return button(new CBaseButton(m_app, this));
    case ControlClass::BaseButtonR: return button(new CBaseButtonR(m_app, this));
    case ControlClass::BaseStatic1: return label(new CBaseStatic1(m_app, this));
    case ControlClass::BaseStatic2: return label(new CBaseStatic2(m_app, this));
    case ControlClass::BaseStatic3: return label(new CBaseStatic3(m_app, this));
    case ControlClass::BaseStatic4: return label(new CBaseStatic4(m_app, this));
    case ControlClass::Plain: break;
    }
    switch (c.kind) {
    case ControlKind::Button: {
        auto* b = new QPushButton(text, this);
        b->setDefault(c.flags & kDefault);
        return b;
    }
    case ControlKind::Radio: return button(new QRadioButton(this));
    case ControlKind::Icon: {
        auto* l = new QLabel(this);
        l->setPixmap(AppIcon().pixmap(32, 32));
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return l;
    }
    case ControlKind::Edit:
    case ControlKind::List:
    case ControlKind::Combo: {
        // Plain text in the controls' face, a pixel size so that it scales with the window.
        QFont font = ControlFont(16, false, m_app.m_bNonCjkSystem);
        font.setBold(false);
        QWidget* w = c.kind == ControlKind::Edit ? static_cast<QWidget*>(new QLineEdit(text, this))
            : c.kind == ControlKind::List        ? static_cast<QWidget*>(new QTreeView(this))
                                                 : static_cast<QWidget*>(new QComboBox(this));
        w->setFont(font);
        return w;
    }
    case ControlKind::Label: break;
    }
    auto* l = new QLabel(this);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    return label(l);
}

int CTemplateDialog::DoModal()
{
    if (!m_bInitialised)
        OnInitDialog();
    m_bInitialised = false;
    return exec();
}

void CTemplateDialog::InitDialog()
{
    OnInitDialog();
    m_bInitialised = true;
}

void CTemplateDialog::OnOK()
{
    done(IDOK);
}

void CTemplateDialog::OnCancel()
{
    done(IDCANCEL);
}

void CTemplateDialog::reject()
{
    OnCancel();
}

bool CTemplateDialog::SetText(int id, std::string_view utf8)
{
    QWidget* w = Control(id);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        b->setText(FromUtf8(utf8));
        return true;
    }
    if (auto* l = qobject_cast<QLabel*>(w)) {
        l->setText(FromUtf8(utf8));
        return true;
    }
    return false;
}

std::string CTemplateDialog::Text(int id) const
{
    QWidget* w = Control(id);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text().toStdString();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text().toStdString();
    return {};
}

void CTemplateDialog::SetTitle(std::string_view utf8)
{
    setWindowTitle(FromUtf8(utf8));
}

void CTemplateDialog::PaintPictures(QPainter&)
{
}

void CTemplateDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Pictures are placed in unscaled client pixels; the painter scales them.
    if (m_scale < 1.0) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.scale(m_scale, m_scale);
    }
    PaintPictures(painter);
}

void CTemplateDialog::hideEvent(QHideEvent* event)
{
    const QRect outer = frameGeometry(), inner = geometry();
    if (outer != inner) {
        s_frameKnown = true;
        s_frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                           outer.right() - inner.right(), outer.bottom() - inner.bottom());
    }
    QDialog::hideEvent(event);
}

bool CTemplateDialog::CanTakeFocus(const QWidget* w) const
{
    if (w && w->focusProxy())
        w = w->focusProxy();
    return w && w != this && !w->isWindow() && w->isVisibleTo(this) && w->isEnabled() &&
           (w->focusPolicy() & Qt::TabFocus);
}

bool CTemplateDialog::MoveFocusFrom(QWidget* from)
{
    bool ok = false;
    const int id = from->objectName().toInt(&ok);
    if (ok) {
        if (auto it = m_safeNeighbours.find(id); it != m_safeNeighbours.end()) {
            for (int n : it->second) {
                if (QWidget* w = Control(n); CanTakeFocus(w)) {
                    w->setFocus(Qt::OtherFocusReason);
                    return true;
                }
            }
        }
    }
    // Otherwise the next control in tab order that destroys nothing.
    for (QWidget* w = from->nextInFocusChain(); w && w != from; w = w->nextInFocusChain()) {
        const int wid = w->objectName().toInt(&ok);
        if (CanTakeFocus(w) && isAncestorOf(w) && !(ok && m_destructive.count(wid))) {
            w->setFocus(Qt::OtherFocusReason);
            return true;
        }
    }
    return false;
}

bool CTemplateDialog::focusNextPrevChild(bool next)
{
    QWidget* focus = focusWidget();
    if (focus && focus != this && !(focus->isVisibleTo(this) && focus->isEnabled()))
        return MoveFocusFrom(focus);
    return QDialog::focusNextPrevChild(next);
}

void CTemplateDialog::KeepFocusSafe()
{
    QWidget* focus = focusWidget();
    if (focus && focus != this && !(focus->isVisibleTo(this) && focus->isEnabled()) && !MoveFocusFrom(focus))
        focus->clearFocus();
}

void CTemplateDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Like the system dialog manager: the first control that takes the tab key
    // gets the focus when nothing has it yet.
    if (focusWidget())
        return;
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (w->isVisibleTo(this) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

void CTemplateDialog::SetTexts(std::span<const TextBinding> texts)
{
    const int language = Language();
    for (const TextBinding& t : texts)
        SetText(t.id, (*t.text)[language]);
}

int CTemplateDialog::CheckOf(int id) const
{
    const auto* b = Control<CBaseButtonR>(id);
    return b ? b->GetCheck() : 0;
}

void CTemplateDialog::SetCheckOf(int id, int check)
{
    if (auto* b = Control<CBaseButtonR>(id))
        b->SetCheck(check);
}

void CTemplateDialog::CheckOneOf(std::span<const int> ids, int checked)
{
    for (std::size_t k = 0; k < ids.size(); ++k)
        SetCheckOf(ids[k], int(k) == checked ? 1 : 0);
}

int CTemplateDialog::Language() const
{
    return LanguageIndex(m_app.m_nLanguage);
}
