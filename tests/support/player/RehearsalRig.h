#pragma once
// The player window with fake media back ends, the recording dialog fake and a real SQLite
// settings store in a temporary folder, for the window tests.

#include "app/PlayerRoot.h"
#include "platform/VirtualKeys.h"
#include "player/FakeMediaBackend.h"
#include "player/RecordingPlatform.h"
#include "settings/SettingsStore.h"
#include "window/PracticeTools.h"
#include "window/frmRehearsal.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace vk = VirtualKeys;

// The keyboard's modifier state as the system would report it: it follows every key event
// sent in the test program, also those that go to another window, such as a modal box.
class FakeKeyboard : public QObject {
public:
    explicit FakeKeyboard(RecordingPlatform& platform) : m_platform(platform) {
        qApp->installEventFilter(this);
    }
    ~FakeKeyboard() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
            return false;
        }
        Qt::KeyboardModifier modifier = Qt::NoModifier;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Control:
            modifier = Qt::ControlModifier;
            break;
        case Qt::Key_Alt:
            modifier = Qt::AltModifier;
            break;
        case Qt::Key_AltGr:
            modifier = Qt::GroupSwitchModifier;
            break;
        case Qt::Key_Shift:
            modifier = Qt::ShiftModifier;
            break;
        default:
            return false;
        }
        m_platform.modifiers.setFlag(modifier, event->type() == QEvent::KeyPress);
        return false;
    }

private:
    RecordingPlatform& m_platform;
};

struct RehearsalRig {
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    RecordingPlatform platform;
    std::vector<FakeMediaBackend*> backends; // [0] behind WMP1, [1] behind mp1
    std::unique_ptr<PlayerRoot> root;
    frmRehearsal* w = nullptr;
    std::unique_ptr<FakeKeyboard> keyboard;

    explicit RehearsalRig(const QString& storeFile = {}) {
        store = std::make_unique<SettingsStore>(storeFile.isEmpty() ? dir.filePath("settings.db")
                                                                    : storeFile);
        // Track overviews go to this test's own cache folder.
        qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
        platform.onProcessEvents = [this] {
            // Time passes while the window waits for a track to start.
            for (FakeMediaBackend* b : backends) {
                if (b->state() == MediaBackend::State::Playing) {
                    b->advance(0.05);
                }
            }
        };
        start();
    }
    // Closes the window and starts the player again on the same store, as a new run would.
    void restart() {
        keyboard.reset();
        w = nullptr;
        root.reset();
        backends.clear();
        start();
    }
    void start() {
        root = std::make_unique<PlayerRoot>(platform, *store, [this] {
            auto b = std::make_unique<FakeMediaBackend>();
            b->setDuration(245.3);
            backends.push_back(b.get());
            return b;
        });
        w = &root->window();
        // Installed after the window's key preview, so it sees every key event first.
        keyboard = std::make_unique<FakeKeyboard>(platform);
    }
    // Shows the window and makes it the active one, as a user's click would; false when the
    // window never became active.
    [[nodiscard]] bool showActive() {
        w->show();
        QApplication::setActiveWindow(w);
        return QTest::qWaitForWindowActive(w);
    }
    PracticeTools& practice() { return root->practice(); }
    FakeMediaBackend& wmp() { return *backends[0]; }
    FakeMediaBackend& mp() { return *backends[1]; }
    QString path(const QString& name) { return dir.filePath(name); }
    void open(const QString& file) {
        platform.dialogFiles.push_back(file);
        w->cmdOpen_Click();
    }
    // Puts the active player at `seconds`, paused, as a user would before setting a mark.
    void standAt(double seconds) {
        w->hybrid().setPosition(seconds);
        QCoreApplication::processEvents();
    }
    QString stored(const QString& section, const QString& key) {
        return store->read("Tavrel", section, key, "<none>");
    }
    uint32_t colour(int i) { return w->keypad->cmdMark(i).BackColor(); }
    // Real key events to the focused control of the window (cmdPlay unless told otherwise).
    void keyPress(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                  QWidget* target = nullptr) {
        QKeyEvent e(QEvent::KeyPress, qtKey, modifiers);
        QApplication::sendEvent(target ? target : w->cmdPlay, &e);
    }
    void keyRelease(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    QWidget* target = nullptr) {
        QKeyEvent e(QEvent::KeyRelease, qtKey, modifiers);
        QApplication::sendEvent(target ? target : w->cmdPlay, &e);
    }
    // A key with a mode key held: Ctrl, Alt or both pressed before it and released after it.
    void withModes(Qt::KeyboardModifiers modes, const std::function<void()>& action) {
        if (modes & Qt::ControlModifier) {
            keyPress(Qt::Key_Control);
        }
        if (modes & Qt::AltModifier) {
            keyPress(Qt::Key_Alt, modes & Qt::ControlModifier);
        }
        action();
        if (modes & Qt::AltModifier) {
            keyRelease(Qt::Key_Alt, modes);
        }
        if (modes & Qt::ControlModifier) {
            keyRelease(Qt::Key_Control, Qt::ControlModifier);
        }
    }
    void ctrlClick(int i) {
        withModes(Qt::ControlModifier, [&] { w->marks().cmdMark_Click(i); });
    }
    void altClick(int i) {
        withModes(Qt::AltModifier, [&] { w->marks().cmdMark_Click(i); });
    }
    // Ctrl or Alt with a number key, as typed.
    void typeWith(Qt::KeyboardModifiers modes, int qtKey) {
        withModes(modes, [&] {
            keyPress(qtKey, modes);
            keyRelease(qtKey, modes);
        });
    }
    void press(int key) {
        w->keyDown(key);
        w->keyUp(key);
    }
};
