// The player window's menus: the menu bar (File with its recent tracks, Options with the
// beat's entries, About) and the Menu key's menu of each control, so that every function
// works from the keyboard alone.

#include "window/frmRehearsal.h"

#include "about/frmAbout.h"
#include "marks/BeatMarks.h"
#include "marks/MarkExchange.h"
#include "marks/MarkKeypad.h"
#include "marks/MarkMenu.h"
#include "marks/MissingTracks.h"
#include "sync/SyncMenu.h"
#include "window/MediaComponentView.h"
#include "window/RecentTracks.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>

void frmRehearsal::buildMenu() {
    mnuFile = menuBar()->addMenu(QStringLiteral("File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileOpen = mnuFile->addAction(QStringLiteral("Open"), this, [this] {
        QString path;
        OpenTrack(path);
    });
    mnuFileOpen->setObjectName(QStringLiteral("mnuFileOpen"));
    mnuFileRecentList = mnuFile->addMenu(QStringLiteral("Recent"));
    mnuFileRecentList->setObjectName(QStringLiteral("mnuFileRecentList"));
    mnuFileRecent = mnuFileRecentList->menuAction();
    mnuFileRecent->setObjectName(QStringLiteral("mnuFileRecent"));
    fillRecentMenu();
    mnuFile->addSeparator();
    mnuFileExportMarks = mnuFile->addAction(QStringLiteral("Export Marks…"), this, [this] {
        m_opener.whenSettled([this] { m_exchange->ExportMarks(); });
    });
    mnuFileExportMarks->setObjectName(QStringLiteral("mnuFileExportMarks"));
    mnuFileImportMarks = mnuFile->addAction(QStringLiteral("Import Marks…"), this, [this] {
        m_opener.whenSettled([this] { m_exchange->ImportMarks(); });
    });
    mnuFileImportMarks->setObjectName(QStringLiteral("mnuFileImportMarks"));
    mnuFile->addSeparator();
    mnuFileExit = mnuFile->addAction(QStringLiteral("Exit"), this, &QWidget::close);
    mnuFileExit->setObjectName(QStringLiteral("mnuFileExit"));
    mnuOptions = menuBar()->addMenu(QStringLiteral("Options"));
    mnuOptions->setObjectName(QStringLiteral("mnuOptions"));
    mnuOptionsSync = mnuOptions->addAction(QStringLiteral("Sync with Corvane"), this,
                                           &frmRehearsal::mnuOptionsSync_Click);
    mnuOptionsSync->setObjectName(QStringLiteral("mnuOptionsSync"));
    mnuOptionsForgetMissing =
        mnuOptions->addAction(QStringLiteral("Forget Missing Tracks…"), this,
                              [this] { m_missing->ForgetMissingTracks(m_hybrid->CurrentTrack); });
    mnuOptionsForgetMissing->setObjectName(QStringLiteral("mnuOptionsForgetMissing"));
    mnuAbout = menuBar()->addAction(QStringLiteral("About"), this, &frmRehearsal::mnuAbout_Click);
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
}

void frmRehearsal::fillRecentMenu() {
    // The entry that opened a track may still be sending its signal: deleted afterwards.
    for (QAction* old : mnuFileRecentList->actions()) {
        mnuFileRecentList->removeAction(old);
        old->deleteLater();
    }
    const QStringList& paths = m_recent.paths();
    for (int i = 0; i < paths.size(); ++i) {
        QString shown = QDir::toNativeSeparators(paths[i]);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* entry =
            mnuFileRecentList->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        connect(entry, &QAction::triggered, this, [this, path = paths[i]] {
            QString chosen = path;
            OpenTrack(chosen);
        });
    }
    mnuFileRecent->setEnabled(!paths.isEmpty());
}

// ---- keyboard alone and screen readers -----------------------------------------------------

void frmRehearsal::useBeat(BeatMarks& beats) {
    m_beats = &beats;
    // Between the menu's first entry and its last, which keep their places at its ends.
    QAction* before = mnuOptionsForgetMissing;
    mnuOptions->insertSeparator(before);
    auto add = [&](const QString& text) {
        auto* a = new QAction(text, mnuOptions);
        mnuOptions->insertAction(before, a);
        return a;
    };
    mnuOptionsSnapToBeat = add(QStringLiteral("Marks snap to the beat"));
    mnuOptionsSnapToBeat->setObjectName(QStringLiteral("mnuOptionsSnapToBeat"));
    mnuOptionsSnapToBeat->setCheckable(true);
    mnuOptionsSnapToBeat->setChecked(beats.snapping());
    connect(mnuOptionsSnapToBeat, &QAction::triggered, this,
            [this](bool on) { m_beats->setSnapping(on); });
    connect(&beats, &BeatMarks::snappingChanged, mnuOptionsSnapToBeat, &QAction::setChecked);
    mnuOptionsSectionMarks = add(QStringLiteral("Set Marks at Section Starts…"));
    mnuOptionsSectionMarks->setObjectName(QStringLiteral("mnuOptionsSectionMarks"));
    connect(mnuOptionsSectionMarks, &QAction::triggered, this,
            [this] { m_opener.whenSettled([this] { m_beats->fillMarksFromSections(); }); });
    mnuOptionsMetronome = add(QStringLiteral("Metronome\tM"));
    mnuOptionsMetronome->setObjectName(QStringLiteral("mnuOptionsMetronome"));
    mnuOptionsMetronome->setCheckable(true);
    mnuOptionsMetronome->setChecked(beats.metronome());
    connect(mnuOptionsMetronome, &QAction::triggered, this,
            [this](bool on) { m_beats->setMetronome(on); });
    auto* level = new QMenu(QStringLiteral("Metronome Level"), mnuOptions);
    level->setObjectName(QStringLiteral("mnuOptionsMetronomeLevel"));
    mnuOptions->insertMenu(before, level);
    mnuOptions->insertSeparator(before);
    auto* levels = new QActionGroup(level);
    for (int percent : {25, 50, 75, 100}) {
        QAction* a = level->addAction(QStringLiteral("%1 %").arg(percent));
        a->setCheckable(true);
        a->setChecked(beats.metronomeLevel() == percent);
        a->setData(percent);
        levels->addAction(a);
        connect(a, &QAction::triggered, this,
                [this, percent] { m_beats->setMetronomeLevel(percent); });
    }
    connect(&beats, &BeatMarks::metronomeChanged, this, [this, levels](bool on, int percent) {
        mnuOptionsMetronome->setChecked(on);
        for (QAction* a : levels->actions()) {
            a->setChecked(a->data().toInt() == percent);
        }
    });
}

void frmRehearsal::buildKeyboardMenus() {
    for (int i = 0; i < MarkKeypad::kButtons; ++i) {
        m_keyboardMenus.add(&keypad->cmdMark(i), [this, i](QMenu& menu) {
            MarkMenu::fill(
                *m_marks, i, menu, [this](std::function<void()> run) { m_opener.whenSettled(run); },
                [this] { mnuAbout_Click(); }, m_beats);
        });
    }
    for (MediaComponentView* view : {WMP1View, mp1View}) {
        m_keyboardMenus.add(view->seekSlider(), [view](QMenu& menu) { view->fillSeekMenu(menu); });
    }
}

bool frmRehearsal::keyboardEvent(QWidget* widget, QEvent* event) {
    // The Menu key opens the focused control's menu; the context menu the system makes of
    // the same key press is not wanted on top of it.
    if (event->type() == QEvent::ContextMenu) {
        return static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Menu) {
        m_keyboardMenus.open(QApplication::focusWidget() ? QApplication::focusWidget() : widget);
        return true;
    }
    if (key->key() == Qt::Key_F10 && !(key->modifiers() & ~Qt::KeypadModifier)) {
        m_menuBarByKeys = true;
        menuBar()->setActiveAction(mnuFile->menuAction());
        return true;
    }
    return false;
}

// ---- menu ----------------------------------------------------------------------------------

void frmRehearsal::mnuOptionsSync_Click() {
    // The track found becomes current only once it has opened: a missing or unplayable one
    // leaves the current track as it is.
    ::mnuOptionsSync_Click(m_platform, [this](QString& path) { OpenTrack(path); });
}

void frmRehearsal::mnuAbout_Click() {
    frmAbout::showModal(m_platform);
}
