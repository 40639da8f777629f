#pragma once
// The player's about box: title, version, a contact line and a button that starts the
// machine's system-information program.

#include <QDialog>

class MachineSettings;
class Platform;
class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT

public:
    frmAbout(Platform& platform, const MachineSettings& settings, QWidget* parent = nullptr);

    // Shows the box modally with no owner window and returns when it has been closed.
    static void showModal(Platform& platform);

    QLabel* lblTitle() const { return m_lblTitle; }
    QLabel* lblVersion() const { return m_lblVersion; }
    QLabel* lblDisclaimer() const { return m_lblDisclaimer; }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdSysInfo() const { return m_cmdSysInfo; }

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

protected:
    // Escape ends the box through cmdOK, exactly as a click on it does.
    void reject() override;

private:
    Platform& m_platform;
    const MachineSettings& m_settings;
    QLabel* m_lblTitle;
    QLabel* m_lblVersion;
    QLabel* m_lblDisclaimer;
    QPushButton* m_cmdOK;
    QPushButton* m_cmdSysInfo;
};
