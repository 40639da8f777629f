#include "player/RecordingPlatform.h"

MsgAnswer RecordingPlatform::messageBox(const QString& text, const QString& title,
                                        MsgButtons buttons, MsgIcon icon) {
    if (whileModal) {
        whileModal();
    }
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
    if (whileModal) {
        whileModal();
    }
    inputPrompts.push_back({prompt, title, defaultText});
    if (inputs.empty()) {
        return {};
    }
    QString s = inputs.front();
    inputs.pop_front();
    return s;
}

QString RecordingPlatform::showOpenDialog(const QString& filter, const QString& initialDir) {
    if (whileModal) {
        whileModal();
    }
    dialogFilters << filter;
    dialogInitialDirs << initialDir;
    if (dialogFiles.empty()) {
        return {};
    }
    QString s = dialogFiles.front();
    dialogFiles.pop_front();
    return s;
}

QString RecordingPlatform::showSaveDialog(const QString& filter, const QString& initialPath) {
    if (whileModal) {
        whileModal();
    }
    saveDialogFilters << filter;
    saveDialogInitialPaths << initialPath;
    if (saveDialogFiles.empty()) {
        return {};
    }
    QString s = saveDialogFiles.front();
    saveDialogFiles.pop_front();
    return s;
}

QStringList RecordingPlatform::chooseItems(const QString& title, const QString& text,
                                           const QStringList& items, const QString& acceptCaption) {
    if (whileModal) {
        whileModal();
    }
    choiceLists.push_back({title, text, items, acceptCaption});
    if (choices.empty()) {
        return items;
    }
    const auto choose = choices.front();
    choices.pop_front();
    return choose(items);
}

void RecordingPlatform::setWaitCursor(bool busy) {
    waitCursor = busy;
    waitCursorChanges.push_back(busy);
}

void RecordingPlatform::processPendingEvents() {
    ++processEventsCalls;
    if (onProcessEvents) {
        onProcessEvents();
    }
}

void RecordingPlatform::injectKey(int virtualKey) {
    injectedKeys.push_back(virtualKey);
    if (onInjectKey) {
        onInjectKey(virtualKey);
    }
}

bool RecordingPlatform::startProgram(const QString& path) {
    startedPrograms << path;
    return startSucceeds;
}

QStringList RecordingPlatform::messageTexts() const {
    QStringList out;
    for (const auto& m : messages) {
        out << m.text;
    }
    return out;
}
