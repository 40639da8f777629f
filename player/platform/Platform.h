#pragma once
// Desktop services the player relies on, behind one interface: a Qt implementation for the
// program (QtPlatform) and a recording fake for the tests (tests/support/player).
// This header needs only QtCore, so engine/ and settings/ may use it.

#include <QString>
#include <QStringList>
#include <Qt>

#include <optional>

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Information, Exclamation, Critical, Question };
enum class MsgAnswer { Ok, Yes, No };

class Platform {
public:
    virtual ~Platform() = default;

    // A modal message box. An empty title means the box has no title of its own.
    virtual MsgAnswer messageBox(const QString& text, const QString& title,
                                 MsgButtons buttons = MsgButtons::Ok,
                                 MsgIcon icon = MsgIcon::None) = 0;

    // A modal input box; returns empty text when the user cancels.
    virtual QString inputBox(const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;

    // A modal open-file dialog. `filter` uses the "Description|pattern|..." form.
    // Returns the file name the dialog holds afterwards (empty when none was chosen).
    virtual QString showOpenDialog(const QString& filter, const QString& initialDir) = 0;

    // A modal save-file dialog starting at `initialPath` (a folder and a suggested name); it
    // asks before an existing file is replaced. Returns the chosen path, empty when cancelled.
    virtual QString showSaveDialog(const QString& filter, const QString& initialPath) = 0;

    // A modal list of items, each with a tick box, all ticked at first, and a button that
    // accepts them. Returns the items left ticked, or nothing when the user cancels.
    virtual QStringList chooseItems(const QString& title, const QString& text,
                                    const QStringList& items, const QString& acceptCaption) = 0;

    virtual void setWaitCursor(bool busy) = 0;

    // Lets the window handle its pending events from inside a handler.
    virtual void processPendingEvents() = 0;

    // Queues one press and release of a key (virtual-key code) to the program's own window.
    virtual void injectKey(int virtualKey) = 0;

    // Starts another program in a normal window; false when it could not be started.
    virtual bool startProgram(const QString& path) = 0;

    // The modifier keys held on the keyboard right now, asked of the system: a release that
    // went to a modal box or to another program counts, unlike the key events the window saw.
    virtual Qt::KeyboardModifiers keyboardModifiers() = 0;

    // The mode keys a command acts with: while a key or click held back during an open runs
    // later, those held when it came in; otherwise those held now.
    Qt::KeyboardModifiers modeKeys() { return m_heldModes ? *m_heldModes : keyboardModifiers(); }
    void setHeldModeKeys(std::optional<Qt::KeyboardModifiers> modes) { m_heldModes = modes; }

    // Tells a screen reader, once, what just happened ("Mark 3 set at 12 seconds"); nothing
    // is shown on the screen.
    virtual void announce(const QString& text) = 0;

private:
    std::optional<Qt::KeyboardModifiers> m_heldModes;
};
