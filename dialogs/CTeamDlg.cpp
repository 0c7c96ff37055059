#include "dialogs/CTeamDlg.h"

#include "dialogs/FitText.h"
#include "dialogs/SaveFileDlg.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

#include <cstdio>

namespace {

constexpr CTemplateDialog::TextBinding kTexts[] = {
    {IDC_TEAM_HEADING, &g_strTeamTitle},         {IDC_TEAM_HOST_CAPTION, &g_strTeamHost},
    {IDC_TEAM_PORT_CAPTION, &g_strTeamPort},     {IDC_TEAM_DATABASE_CAPTION, &g_strTeamDatabase},
    {IDC_TEAM_USER_CAPTION, &g_strTeamUser},     {IDC_TEAM_PASSWORD_CAPTION, &g_strTeamPassword},
    {IDC_TEAM_SSLMODE_CAPTION, &g_strTeamSslMode}, {IDC_TEAM_ROOT_CAPTION, &g_strTeamRootCert},
    {IDC_TEAM_BROWSE, &g_strTeamBrowse},         {IDC_TEAM_TEST, &g_strTeamTest},
    {IDOK, &g_strTeamOk},                        {IDCANCEL, &g_strTeamCancel},
};

// The text fields and the settings they hold.
constexpr std::pair<int, std::string TeamSettings::*> kFields[] = {
    {IDC_TEAM_HOST, &TeamSettings::m_strHost},
    {IDC_TEAM_DATABASE, &TeamSettings::m_strDatabase},
    {IDC_TEAM_USER, &TeamSettings::m_strUser},
    {IDC_TEAM_ROOT, &TeamSettings::m_strSslRootCert},
};

constexpr const char* kSslModes[] = {"verify-full", "verify-ca", "require", "disable"};

std::string Format(const char* text, const std::string& a, const std::string& b = {})
{
    char buf[2048];
    std::snprintf(buf, sizeof buf, text, a.c_str(), b.c_str());
    return buf;
}

} // namespace

CTeamDlg::CTeamDlg(AppState& app, QWidget* parent, std::string settingsPath, std::string passwordPath)
    : CTemplateDialog(g_tmplTeam, app, parent),
      m_strSettingsPath(settingsPath.empty() ? team::SettingsPath() : std::move(settingsPath)),
      m_strPasswordPath(passwordPath.empty() ? team::PasswordPath() : std::move(passwordPath))
{
    m_pSslMode = Control<QComboBox>(IDC_TEAM_SSLMODE);
    m_pStatus = Control<QLabel>(IDC_TEAM_STATUS);
    m_pRootState = Control<QLabel>(IDC_TEAM_ROOT_STATE);
    for (const char* mode : kSslModes)
        m_pSslMode->addItem(QString::fromLatin1(mode));
    Field(IDC_TEAM_PORT)->setValidator(new QIntValidator(1, 65535, this));
    Field(IDC_TEAM_PASSWORD)->setEchoMode(QLineEdit::Password);
    m_pStatus->setWordWrap(true);
    m_pStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(Field(IDC_TEAM_ROOT), &QLineEdit::textChanged, this, &CTeamDlg::ShowRootState);
    connect(m_pSslMode, &QComboBox::currentIndexChanged, this, &CTeamDlg::ShowRootState);
    OnClicked(IDC_TEAM_TEST, [this] { OnTest(); });
    OnClicked(IDC_TEAM_BROWSE, [this] { OnBrowse(); });
    InitDialog();
}

QLineEdit* CTeamDlg::Field(int id) const
{
    return Control<QLineEdit>(id);
}

CTeamDlg::~CTeamDlg()
{
    StopTest();
}

void CTeamDlg::OnInitDialog()
{
    const int lang = Language();
    SetTitle(g_strTeamTitle[lang]);
    SetTexts(kTexts);
    FitAllTexts(*this);

    TeamSettings& settings = m_stored;
    TeamSettingsError problem;
    if (!team::ReadSettings(m_strSettingsPath, settings, problem))
        ShowStatus(team::ErrorText(problem, lang));
    for (const auto& [id, field] : kFields)
        Field(id)->setText(QString::fromStdString(settings.*field));
    Field(IDC_TEAM_PORT)->setText(QString::number(settings.m_nPort));
    m_pSslMode->setCurrentText(QString::fromStdString(settings.m_strSslMode));
    if (team::StoredPassword(m_strPasswordPath))
        Field(IDC_TEAM_PASSWORD)->setPlaceholderText(QString::fromUtf8(g_strTeamPasswordKept[lang]));
    ShowRootState();
    Field(IDC_TEAM_HOST)->setFocus(Qt::OtherFocusReason);
}

bool CTeamDlg::Entered(TeamSettings& settings)
{
    settings = TeamSettings();
    for (const auto& [id, field] : kFields)
        settings.*field = Field(id)->text().trimmed().toStdString();
    settings.m_strSslMode = m_pSslMode->currentText().toStdString();
    // Client certificates are set in Team.ini only; the dialog keeps them.
    settings.m_strSslCert = m_stored.m_strSslCert;
    settings.m_strSslKey = m_stored.m_strSslKey;
    bool ok = false;
    const int port = Field(IDC_TEAM_PORT)->text().trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        ShowStatus(g_strTeamPortRange[Language()]);
        Field(IDC_TEAM_PORT)->setFocus(Qt::OtherFocusReason);
        return false;
    }
    settings.m_nPort = port;
    return true;
}

void CTeamDlg::ShowRootState()
{
    const QString path = Field(IDC_TEAM_ROOT)->text().trimmed();
    const bool verifies = m_pSslMode->currentText().startsWith(QLatin1String("verify-"));
    const LocalText* state = nullptr;
    if (!path.isEmpty() && !QFileInfo(path).isFile())
        state = &g_strTeamRootMissing;
    else if (path.isEmpty() && verifies)
        state = &g_strTeamRootNeeded;
    m_pRootState->setText(state ? QString::fromUtf8((*state)[Language()]) : QString());
}

void CTeamDlg::ShowStatus(const std::string& text, const std::string& tip)
{
    m_pStatus->setText(QString::fromStdString(text));
    m_pStatus->setToolTip(QString::fromStdString(tip));
}

void CTeamDlg::OnBrowse()
{
    const int lang = Language();
    const QString start = QFileInfo(Field(IDC_TEAM_ROOT)->text().trimmed()).absolutePath();
    const QString path = QFileDialog::getOpenFileName(this, QString::fromUtf8(g_strTeamRootCert[lang]), start,
                                                      QString::fromUtf8(g_strTeamCertFilter[lang]));
    if (!path.isEmpty())
        Field(IDC_TEAM_ROOT)->setText(QString::fromStdString(NativePath(path)));
}

void CTeamDlg::OnTest()
{
    TeamSettings settings;
    if (IsTesting() || !Entered(settings))
        return;
    // The password typed, else the one stored (which the settings on screen may not name yet).
    TeamConnectOptions options;
    const QString typed = Field(IDC_TEAM_PASSWORD)->text();
    options.password = typed.isEmpty() ? team::StoredPassword(m_strPasswordPath)
                                       : std::optional<std::string>(typed.toStdString());
    m_cancel = std::make_shared<TeamCancel>();
    Control(IDC_TEAM_TEST)->setEnabled(false);
    ShowStatus(g_strTeamTesting[Language()]);
    const int run = ++m_nRun;
    m_test = std::thread([this, run, settings, options, cancel = m_cancel]() mutable {
        options.cancel = cancel.get();
        TeamError error;
        std::string serverId, user;
        if (const auto connection = ConnectTeam(settings, options, kTeamConnectTimeoutMs, error)) {
            serverId = connection->ServerId();
            user = connection->SessionUser();
        }
        // The window joins this thread before it goes, so it is still here.
        QMetaObject::invokeMethod(
            this, [this, run, error, serverId, user] { FinishTest(run, error, serverId, user); },
            Qt::QueuedConnection);
    });
}

void CTeamDlg::FinishTest(int run, const TeamError& error, const std::string& serverId, const std::string& user)
{
    if (run != m_nRun)
        return; // a test stopped before its answer came
    if (m_test.joinable())
        m_test.join();
    Control(IDC_TEAM_TEST)->setEnabled(true);
    KeepFocusSafe();
    const int lang = Language();
    if (error)
        ShowStatus(team::ErrorText(error, lang), team::ErrorText(error, lang) + "\n" + error.m_strDetail);
    else
        ShowStatus(Format(g_strTeamConnected[lang], serverId, user));
    emit testFinished();
}

void CTeamDlg::StopTest()
{
    ++m_nRun;
    if (m_cancel)
        m_cancel->Cancel();
    if (m_test.joinable())
        m_test.join();
}

void CTeamDlg::done(int result)
{
    StopTest();
    CTemplateDialog::done(result);
}

void CTeamDlg::OnOK()
{
    TeamSettings settings;
    if (!Entered(settings))
        return;
    StopTest();
    Control(IDC_TEAM_TEST)->setEnabled(true);
    const QString typed = Field(IDC_TEAM_PASSWORD)->text();
    const std::optional<std::string> password =
        typed.isEmpty() ? std::nullopt : std::optional<std::string>(typed.toStdString());
    // The settings folder is made on the first save.
    if (m_strSettingsPath == team::SettingsPath())
        team::SettingsPath(true);
    TeamSettingsError error;
    if (!team::SaveSettings(m_strSettingsPath, m_strPasswordPath, settings, password, error)) {
        ShowStatus(Format(g_strTeamSaveFailed[Language()], team::ErrorText(error, Language())));
        return;
    }
    CTemplateDialog::OnOK();
}
