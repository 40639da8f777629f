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

    QLabel* lblTitle() const { return lblTitle_; }
    QLabel* lblVersion() const { return lblVersion_; }
    QLabel* lblDisclaimer() const { return lblDisclaimer_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdSysInfo() const { return cmdSysInfo_; }

    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

protected:
    // Escape ends the box through cmdOK, exactly as a click on it does.
    void reject() override;

private:
    Platform& platform_;
    const MachineSettings& settings_;
    QLabel* lblTitle_;
    QLabel* lblVersion_;
    QLabel* lblDisclaimer_;
    QPushButton* cmdOK_;
    QPushButton* cmdSysInfo_;
};
