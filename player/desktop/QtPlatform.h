#pragma once
// The desktop services of the player, done with Qt Widgets.

#include "platform/Platform.h"

#include <QPointer>
#include <QWidget>

class Announcer;

class QtPlatform : public Platform {
public:
    // Key presses are injected into `keyTarget` (the player window); boxes are centred on it.
    // Announcements are made inside its window, by an announcer made here at once: one
    // made at the first announcement would be shown and announced on the same turn.
    void setKeyTarget(QWidget* keyTarget);

    MsgAnswer messageBox(const QString& text, const QString& title, MsgButtons buttons,
                         MsgIcon icon) override;
    QString inputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
    QString showOpenDialog(const QString& filter, const QString& initialDir) override;
    QString showSaveDialog(const QString& filter, const QString& initialPath) override;
    QStringList chooseItems(const QString& title, const QString& text, const QStringList& items,
                            const QString& acceptCaption) override;
    void setWaitCursor(bool busy) override;
    void processPendingEvents() override;
    void injectKey(int virtualKey) override;
    bool startProgram(const QString& path) override;
    Qt::KeyboardModifiers keyboardModifiers() override;
    // Through an Announcer inside the key target's window.
    void announce(const QString& text) override;

    // The Qt name filter list ("Sound Files (*.wav;*.mp3;*.wma)" ...) of a "desc|pattern|..."
    // filter.
    static QStringList nameFilters(const QString& filter);

private:
    QPointer<QWidget> m_target;
    QPointer<Announcer> m_announcer;
    QString m_lastFile;
    bool m_busy = false;
};
