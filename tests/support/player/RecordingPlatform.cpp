#include "player/RecordingPlatform.h"

MsgAnswer RecordingPlatform::messageBox(const QString& text, const QString& title,
                                        MsgButtons buttons, MsgIcon icon) {
    messages.push_back({text, title, buttons, icon});
    if (!answers.empty()) {
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
}

QString RecordingPlatform::inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) {
    inputPrompts.push_back({prompt, title, defaultText});
    if (inputs.empty())
        return {};
    QString s = inputs.front();
    inputs.pop_front();
    return s;
}

QString RecordingPlatform::showOpenDialog(const QString& filter, const QString& initialDir) {
    dialogFilters << filter;
    dialogInitialDirs << initialDir;
    if (dialogFiles.empty())
        return {};
    QString s = dialogFiles.front();
    dialogFiles.pop_front();
    return s;
}

void RecordingPlatform::setWaitCursor(bool busy) {
    waitCursor = busy;
    waitCursorChanges.push_back(busy);
}

void RecordingPlatform::processPendingEvents() {
    ++processEventsCalls;
    if (onProcessEvents)
        onProcessEvents();
}

void RecordingPlatform::injectKey(int virtualKey) {
    injectedKeys.push_back(virtualKey);
    if (onInjectKey)
        onInjectKey(virtualKey);
}

bool RecordingPlatform::startProgram(const QString& path) {
    startedPrograms << path;
    return startSucceeds;
}

QStringList RecordingPlatform::messageTexts() const {
    QStringList out;
    for (const auto& m : messages)
        out << m.text;
    return out;
}
