// dialogs/: the program's screens besides the main window, the template-built
// dialog base they share, and the key filter.
#pragma once
#include "data/TextCatalogue.h"
#include "data/ControlIds.h"
#include "data/DialogTemplates.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMargins>
#include <QSize>
#include <QString>
#include <span>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

struct AppState;
class QPainter;

// A modal dialog built from one of the templates in res/: every control is
// made with its drawing-kit class, placed by the one dialog-unit conversion and
// named by its id in decimal; the dialog is named by its class. The program's
// own dialogs get the light-green background and the key filter; the plain
// look (About box) keeps the system's colours and keys.
class CTemplateDialog : public QDialog {
    Q_OBJECT
public:
    enum class Look { Program, Plain };

    CTemplateDialog(const DialogTemplate& tmpl, AppState& app, QWidget* parent = nullptr,
                    Look look = Look::Program);

    // Runs OnInitDialog (unless InitDialog ran since the last run), then the
    // dialog modally; the result is the number given to done(): 1 (OK) or 2
    // (cancel, also the close box) unless a dialog ends otherwise.
    virtual int DoModal();

    static constexpr int IDOK = ::IDOK, IDCANCEL = ::IDCANCEL;

    // Buttons 1 and 2 end the dialog through these; the close box and, on the
    // plain look, Escape go through OnCancel.
    virtual void OnOK();
    virtual void OnCancel();
    void reject() override;

    // The control of a template id, or nullptr when there is none or it is not a T.
    // A control may sit inside a frame of the dialog's own (the scrolling text box).
    template <class T = QWidget>
    T* Control(int id) const
    {
        return findChild<T*>(QString::number(id));
    }

    // Runs handler on each click of the button of a template id (none without one).
    template <class Handler>
    void OnClicked(int id, Handler handler)
    {
        if (auto* b = Control<QAbstractButton>(id))
            connect(b, &QAbstractButton::clicked, this, handler);
    }
    // How a full-size screen (main window, settings screen) fits the screen's
    // available area: its client size, and the factor by which every window's
    // controls, fonts and pictures are drawn (1 where the nominal size fits).
    struct Fit {
        QSize client;
        double scale = 1.0;
    };
    static Fit FitToScreen(const AppState& app);
    // The same for a nominal outer size, an available area and a window-manager frame.
    static Fit FitToArea(QSize nominal, const QRect& avail, const QMargins& frame);
    // Smallest scale: below it the texts could no longer be read.
    static constexpr double kMinScale = 0.5;
    // Assumed around the first window, before a real frame has been seen: a
    // title bar and borders as most window managers draw them.
    static constexpr QMargins kTypicalFrame{8, 32, 8, 8};
    double Scale() const { return m_scale; }
    // A template rectangle in this window's client pixels.
    PixelRect ScaledRect(const ControlTemplate& c) const;
    // Moves the window to the top left of the screen's available area.
    void MoveToTopLeft();

    // Moves the focus off a control that can no longer take it (hidden or
    // disabled) to a safe neighbour; call after a state change.
    void KeepFocusSafe();

    // Caption of a button or text of a label, from UTF-8; false without such a control.
    bool SetText(int id, std::string_view utf8);
    std::string Text(int id) const;
    void SetTitle(std::string_view utf8);

    // A control and its catalogue text; each dialog keeps one table of them.
    struct TextBinding {
        int id;
        const LocalText* text;
    };
    // The texts of a table in the dialog's language.
    void SetTexts(std::span<const TextBinding> texts);

    // Check state of a radio-look button (0 without one), and setting it.
    int CheckOf(int id) const;
    void SetCheckOf(int id, int check);
    // Checks ids[checked] and clears the other buttons of the group.
    void CheckOneOf(std::span<const int> ids, int checked);

    const DialogTemplate& Template() const { return m_tmpl; }
    AppState& App() const { return m_app; }
    // Index into the catalogue's texts: 1 English, anything else Chinese.
    int Language() const;

    static QColor BackgroundColour() { return QColor(135, 255, 135); }

protected:
    // The start of a dialog: texts, check states and size from the application state.
    virtual void OnInitDialog() {}
    // OnInitDialog at once, for a window that must be complete before DoModal.
    void InitDialog();

    // Pictures on the background, after it is filled and beneath the controls.
    virtual void PaintPictures(QPainter& painter);

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Qt's own move when the focused control is disabled or hidden goes
    // through here: the focus then goes to a safe neighbour instead.
    bool focusNextPrevChild(bool next) override;

    // Where the focus goes, in order of preference, when control id loses it
    // by a state change.
    void SetSafeNeighbours(int id, std::vector<int> ids) { m_safeNeighbours[id] = std::move(ids); }
    // Controls that destroy work with one key press: never given the focus by a state change.
    void SetDestructive(std::set<int> ids) { m_destructive = std::move(ids); }

private:
    QWidget* CreateControl(const ControlTemplate& c);
    bool MoveFocusFrom(QWidget* from);
    bool CanTakeFocus(const QWidget* w) const;

    const DialogTemplate& m_tmpl;
    AppState& m_app;
    Look m_look;
    bool m_bInitialised = false;
    double m_scale = 1.0;
    std::map<int, std::vector<int>> m_safeNeighbours;
    std::set<int> m_destructive{IDCANCEL};
    // The window manager's frame as last seen around one of our windows.
    static QMargins s_frame;
    static bool s_frameKnown;
};
