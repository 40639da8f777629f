#pragma once
// Fake desktop services: records every call and answers from a script.

#include "platform/Platform.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

struct RecordedMessage {
    QString text;
    QString title;
    MsgButtons buttons;
    MsgIcon icon;
};

struct RecordedInput {
    QString prompt;
    QString title;
    QString defaultText;
};

class RecordingPlatform : public Platform {
public:
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
    Qt::KeyboardModifiers keyboardModifiers() override { return modifiers; }
    void announce(const QString& text) override { announcements << text; }

    // Scripted answers, consumed in order; when empty: Ok / Yes, empty input, no file.
    std::deque<MsgAnswer> answers;
    std::deque<QString> inputs;
    std::deque<QString> dialogFiles;
    std::deque<QString> saveDialogFiles;
    // Answers of chooseItems: which of the offered items stay ticked; when empty, all of them.
    std::deque<std::function<QStringList(const QStringList&)>> choices;
    bool startSucceeds = true;
    // Called by processPendingEvents (for example to advance a fake clock).
    std::function<void()> onProcessEvents;
    // Called by injectKey instead of recording only (for example to deliver the key).
    std::function<void(int)> onInjectKey;
    // Called while a modal box or dialog is up, before it answers (for example to release a
    // key the window then never sees).
    std::function<void()> whileModal;
    // What the keyboard holds; RehearsalRig keeps it in step with the key events sent.
    Qt::KeyboardModifiers modifiers;

    std::vector<RecordedMessage> messages;
    std::vector<RecordedInput> inputPrompts;
    QStringList dialogFilters;
    QStringList dialogInitialDirs;
    QStringList saveDialogFilters;
    QStringList saveDialogInitialPaths;
    struct RecordedChoice {
        QString title;
        QString text;
        QStringList items;
        QString acceptCaption;
    };
    std::vector<RecordedChoice> choiceLists;
    std::vector<int> injectedKeys;
    std::vector<bool> waitCursorChanges;
    QStringList startedPrograms;
    QStringList announcements;
    int processEventsCalls = 0;
    bool waitCursor = false;

    QStringList messageTexts() const;
};
