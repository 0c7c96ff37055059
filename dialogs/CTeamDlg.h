#pragma once
#include "dialogs/CTemplateDialog.h"
#include "data/TeamServer.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>

class QComboBox;
class QLabel;
class QLineEdit;

// The team history server: host, port, database, user name, password (never
// shown back; left empty, the stored one is kept), SSL mode and root
// certificate, read from Team.ini and the password file. Test connection
// connects on a thread of its own and says what failed; closing the window
// cancels it. OK saves both files, or says where and why it could not and
// stays open.
class CTeamDlg : public CTemplateDialog {
    Q_OBJECT
public:
    // The files are those of team::SettingsPath and team::PasswordPath unless given.
    CTeamDlg(AppState& app, QWidget* parent = nullptr, std::string settingsPath = {}, std::string passwordPath = {});
    ~CTeamDlg() override;

    void OnOK() override; // save
    void OnTest();
    void OnBrowse();

    // The settings as entered; false (and the reason shown) for a port out of range.
    bool Entered(TeamSettings& settings);
    bool IsTesting() const { return m_test.joinable(); }
    QLabel* StatusLine() const { return m_pStatus; }
    QLabel* RootState() const { return m_pRootState; }
    QLineEdit* Field(int id) const; // a text field by its template id
    QComboBox* SslModeBox() const { return m_pSslMode; }

    void done(int result) override;

signals:
    void testFinished();

private:
    void OnInitDialog() override;
    void ShowRootState();
    void ShowStatus(const std::string& text, const std::string& tip = {});
    void FinishTest(int run, const TeamError& error, const std::string& serverId, const std::string& user);
    void StopTest();

    std::string m_strSettingsPath, m_strPasswordPath;
    QComboBox* m_pSslMode = nullptr;
    QLabel* m_pStatus = nullptr;
    QLabel* m_pRootState = nullptr;
    TeamSettings m_stored; // as read at the start
    std::thread m_test;
    std::shared_ptr<TeamCancel> m_cancel;
    int m_nRun = 0; // the test whose answer is awaited; a stopped one's is dropped
};
