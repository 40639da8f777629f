#pragma once
// The player window with fake media back ends, the recording dialog fake and a real SQLite
// settings store in a temporary folder, for the window tests.

#include "app/PlayerRoot.h"
#include "platform/VirtualKeys.h"
#include "player/FakeMediaBackend.h"
#include "player/RecordingPlatform.h"
#include "settings/SettingsStore.h"
#include "settings/cRegistry.h"
#include "window/PracticeTools.h"
#include "window/frmRehearsal.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace vk = VirtualKeys;

struct RehearsalRig {
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<cRegistry> registry;
    RecordingPlatform platform;
    std::vector<FakeMediaBackend*> backends; // [0] behind WMP1, [1] behind mp1
    std::unique_ptr<PlayerRoot> root;
    frmRehearsal* w = nullptr;

    explicit RehearsalRig(const QString& storeFile = {}) {
        store = std::make_unique<SettingsStore>(storeFile.isEmpty() ? dir.filePath("settings.db")
                                                                    : storeFile);
        registry = std::make_unique<cRegistry>(*store);
        // Track overviews go to this test's own cache folder.
        qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
        platform.onProcessEvents = [this] {
            // Time passes while the window waits for a track to start.
            for (FakeMediaBackend* b : backends)
                if (b->state() == MediaBackend::State::Playing)
                    b->advance(0.05);
        };
        root = std::make_unique<PlayerRoot>(platform, *registry, [this] {
            auto b = std::make_unique<FakeMediaBackend>();
            b->setDuration(245.3);
            backends.push_back(b.get());
            return b;
        });
        w = &root->window();
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
    void ctrlClick(int i) {
        w->keyDown(vk::Control);
        w->marks().cmdMark_Click(i);
        w->keyUp(vk::Control);
    }
    void altClick(int i) {
        w->keyDown(vk::Alt);
        w->marks().cmdMark_Click(i);
        w->keyUp(vk::Alt);
    }
    void press(int key) {
        w->keyDown(key);
        w->keyUp(key);
    }
};
