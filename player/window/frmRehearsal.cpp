#include "window/frmRehearsal.h"

#include "base/AppIdentity.h"
#include "base/Runtime.h"
#include "marks/Colours.h"
#include "marks/HelpPanels.h"
#include "marks/KeyPreview.h"
#include "marks/MarkExchange.h"
#include "marks/MarkSpeech.h"
#include "marks/MissingTracks.h"
#include "platform/Platform.h"
#include "window/HeldInput.h"
#include "window/MediaComponentView.h"
#include "window/ReadoutLabel.h"
#include "window/RecentTracks.h"
#include "window/RunningTime.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScopeGuard>
#include <QSlider>
#include <QStatusBar>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

const QString kApp = AppIdentity::name();

} // namespace

frmRehearsal::frmRehearsal(Platform& platform, WindowsMediaPlayer& wmp, MediaPlayer& mp,
                           modHybrid& hybrid, OpenController& opener, RecentTracks& recent,
                           QWidget* parent)
    : QMainWindow(parent), RehearsalForm(wmp, mp), m_platform(platform), m_hybrid(&hybrid),
      m_recent(recent), m_opener(opener) {
    setObjectName(QStringLiteral("frmRehearsal"));
    buildMenu();
    setupForm(*this);
    connect(cmdOpen, &QPushButton::clicked, this, &frmRehearsal::cmdOpen_Click);
    connect(cmdPlay, &QPushButton::clicked, this, &frmRehearsal::cmdPlay_Click);
    connect(cmdPause, &QPushButton::clicked, this, &frmRehearsal::cmdPause_Click);
    connect(cmdStop, &QPushButton::clicked, this, &frmRehearsal::cmdStop_Click);
    connect(cmdBogus, &QPushButton::clicked, this, &frmRehearsal::cmdBogus_Click);

    m_runningTime = new RunningTime(
        {*lblCount, tmrTime, tmrFast, tmrFastTag, *cmdPlay, *WMP1, *mp1, *m_hybrid, m_platform},
        this);
    for (MediaComponent* c :
         {static_cast<MediaComponent*>(WMP1), static_cast<MediaComponent*>(mp1)}) {
        connect(c, &MediaComponent::noAudioDevice, lblNoSound, &QWidget::show);
        connect(c, &MediaComponent::durationChanged, this, &frmRehearsal::lengthKnown);
    }

    connect(&m_opener, &OpenController::openStarted, this, [this] {
        m_platform.setWaitCursor(true);
        tmrFast.stop();
    });
    connect(&m_opener, &OpenController::opened, this, &frmRehearsal::showOpenedTrack);
    connect(&m_opener, &OpenController::failed, this, &frmRehearsal::showOpenFailed);

    m_held =
        std::make_unique<HeldInput>(*this, m_opener, m_platform, *cmdOpen, *menuBar(), *cmdPlay);
    startUp();
}

void frmRehearsal::attachMarks(const MarkParts& parts) {
    m_strip = &parts.strip;
    m_marks = &parts.marks;
    m_keys = &parts.keys;
    m_exchange = &parts.exchange;
    m_missing = &parts.missing;
    m_keyPreview = new KeyPreview(*m_keys, this);
    buildKeyboardMenus();
    orderFocus();
    // Key preview: every key reaches the window first, whichever control has the focus.
    qApp->installEventFilter(this);
}

TransportCommands frmRehearsal::transportCommands() {
    TransportCommands transport;
    transport.cmdOpen_Click = [this] { cmdOpen_Click(); };
    transport.cmdPlay_Click = [this] { cmdPlay_Click(); };
    transport.cmdPause_Click = [this] { cmdPause_Click(); };
    transport.cmdStop_Click = [this] { cmdStop_Click(); };
    transport.startFast = [this](const QString& tag) { m_runningTime->startFast(tag); };
    transport.stopFast = [this] { m_runningTime->stopFast(); };
    return transport;
}

frmRehearsal::~frmRehearsal() {
    qApp->removeEventFilter(this);
}

void frmRehearsal::startUp() {
    m_cdlFilter.clear();
    m_cdlFilter = AddDialogFilter(m_cdlFilter, QStringLiteral("Sound Files"),
                                  QStringLiteral("*.wav;*.mp3;*.wma"));
    m_cdlFilter = AddDialogFilter(m_cdlFilter, QStringLiteral("All Files"), QStringLiteral("*.*"));

    const QString last = m_recent.lastFile();
    if (!last.isEmpty()) {
        m_cdlInitDir = QFileInfo(last).absolutePath();
    }

    setWindowTitle(kApp);
}

QString frmRehearsal::AddDialogFilter(const QString& filter, const QString& Description,
                                      const QString& Pattern) {
    QString f = filter;
    if (!f.isEmpty()) {
        f += QLatin1Char('|');
    }
    f += Description + QStringLiteral(" (") + Pattern + QStringLiteral(")|") + Pattern;
    return f;
}

// ---- transport ---------------------------------------------------------------------------

void frmRehearsal::cmdOpen_Click() {
    QString path;
    OpenTrack(path);
}

void frmRehearsal::cmdPlay_Click() {
    m_hybrid->PlayTrack();
}
void frmRehearsal::cmdPause_Click() {
    m_hybrid->PauseTrack();
}
void frmRehearsal::cmdStop_Click() {
    m_hybrid->StopTrack();
}
void frmRehearsal::cmdBogus_Click() {
    cmdPlay->setFocus();
}

void frmRehearsal::tmrTime_Timer() {
    m_runningTime->tmrTime_Timer();
}

void frmRehearsal::tmrFast_Timer() {
    m_runningTime->tmrFast_Timer();
}

// ---- opening a track ---------------------------------------------------------------------

void frmRehearsal::showActiveComponent() {
    WMP1View->setVisible(m_hybrid->WmpActive);
    mp1View->setVisible(!m_hybrid->WmpActive);
}

void frmRehearsal::announceOpened(const QString& title) {
    int set = 0;
    for (int i = 0; i < 10; ++i) {
        set += m_marks->isSet(i) ? 1 : 0;
    }
    QString marks = QStringLiteral("no marks");
    if (set > 0) {
        marks = set == 1 ? QStringLiteral("1 mark") : QStringLiteral("%1 marks").arg(set);
    }
    m_platform.announce(QStringLiteral("Opened %1, %2 long, %3")
                            .arg(title, MarkSpeech::spokenTime(m_hybrid->duration()), marks));
}

void frmRehearsal::reportCannotPlay(const QString& path, const QString& reason) {
    m_platform.announce(
        QStringLiteral("Cannot play %1: %2").arg(QFileInfo(path).fileName(), reason));
    m_platform.messageBox(QStringLiteral("Tavrel cannot play this track:\n%1\n\n%2")
                              .arg(QDir::toNativeSeparators(path), reason),
                          kApp, MsgButtons::Ok, MsgIcon::Exclamation);
}

void frmRehearsal::OpenTrack(QString& Path) {
    int line = 0;
    try {
        line = 1;
        // A key typed as the dialog closes waits for the open it belongs after.
        m_opener.beginChoice();
        const auto choiceMade = qScopeGuard([this] { m_opener.endChoice(); });
        if (Path.isEmpty()) {
            const QString chosen = m_platform.showOpenDialog(m_cdlFilter, m_cdlInitDir);
            if (chosen.isEmpty()) {
                // An open already under way goes on.
                m_platform.messageBox(QStringLiteral("Please select a file"), kApp);
                return;
            }
            Path = chosen;
            m_cdlInitDir = QFileInfo(chosen).absolutePath();
        }
        // The current track, its component and its marks stay as they are until the new
        // track has started: a track that cannot be played changes nothing.
        line = 6;
        m_opener.open(Path);
    } catch (const RuntimeError& e) {
        m_platform.messageBox(
            QStringLiteral("Line #%1\n%2: %3").arg(line).arg(e.number()).arg(e.description()),
            QString());
        m_platform.setWaitCursor(m_opener.busy());
    }
}

void frmRehearsal::showOpenFailed(const QString& path, const QString& reason) {
    showActiveComponent();
    m_platform.setWaitCursor(false);
    reportCannotPlay(path, reason);
    // A recent track that is no longer there leaves the list once the user has been told.
    if (m_recent.paths().contains(path) && !QFileInfo::exists(path)) {
        m_recent.remove(path);
        fillRecentMenu();
    }
}

void frmRehearsal::showOpenedTrack(const QString& path, bool replacedTrack) {
    showActiveComponent();
    int line = 7;
    try {
        if (replacedTrack) {
            m_marks->ResetForNewTrack();
            lblTitle->clear();
        }
        line = 9;
        m_recent.opened(path);
        fillRecentMenu();
        line = 10;
        m_marks->model().setStripScale(0);
        m_marks->ComputeStripScale();
        line = 11;
        m_marks->LoadTrackMarks();
        line = 12;
        const QString name = path.section(QLatin1Char('/'), -1);
        if (name.size() < 4) {
            throw RuntimeError(errInvalidArgument,
                               QStringLiteral("Invalid procedure call or argument"));
        }
        lblTitle->setText(name.left(name.size() - 4));
        lblTitle->raise();
        line = 13;
        lblCount->setText(QStringLiteral("00:00:00"));
        line = 14;
        m_platform.setWaitCursor(false);
        cmdPlay->setFocus();
        announceOpened(lblTitle->text());
        emit trackOpened();
    } catch (const RuntimeError& e) {
        if (e.number() != errDivisionByZero) {
            m_platform.messageBox(
                QStringLiteral("Line #%1\n%2: %3").arg(line).arg(e.number()).arg(e.description()),
                QString());
        } else {
            // Too short for the strip to have a scale, or a length not known yet (a pipe):
            // nothing is drawn and the title stays as it was, but the track's marks are its
            // own, so a mark key acts on them rather than on nothing, and the open is told as
            // any other (the desktop's player controls, the practice tools, a screen reader).
            try {
                m_marks->loadMarksWithoutStrip();
            } catch (const RuntimeError&) {
            }
            announceOpened(QFileInfo(path).completeBaseName());
            emit trackOpened();
        }
        m_platform.setWaitCursor(false);
    }
}

// A track whose length read under half a second as it opened (a pipe whose sound was still
// coming) has no strip; once its whole length is known, the strip gets its scale and shows the
// track's marks.
void frmRehearsal::lengthKnown() {
    if (m_opener.busy() || m_hybrid->CurrentTrack.isEmpty() || m_marks->model().stripScale() != 0) {
        return;
    }
    try {
        m_marks->ComputeStripScale();
        m_marks->LoadTrackMarks();
    } catch (const RuntimeError&) {
        // Still too short (or marks that cannot be laid out): the strip waits for the next
        // length.
    }
}

// ---- keys and shut-down --------------------------------------------------------------------

void frmRehearsal::keyDown(int virtualKey) {
    m_keyPreview->keyDown(virtualKey);
}

void frmRehearsal::keyUp(int virtualKey) {
    m_keyPreview->keyUp(virtualKey);
}

bool frmRehearsal::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::ApplicationDeactivate) {
        // A mode key released while another program had the focus never reaches us.
        m_marks->model().setSetMode(false);
        m_marks->model().setClearMode(false);
        return false;
    }
    const bool pointer = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                         type == QEvent::MouseButtonDblClick || type == QEvent::Wheel;
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ContextMenu &&
        !pointer) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    // Keys sent to the menu bar (opened with F10) are its own: arrows, Return and Escape move
    // through the menus, they neither play nor wind.
    if (!widget || widget->window() != this || QApplication::activeModalWidget() ||
        QApplication::activePopupWidget() || widget == menuBar()) {
        return false;
    }
    if (pointer) {
        return m_held->hold(widget, event);
    }
    if (keyboardEvent(widget, event)) {
        return true;
    }
    // A menu bar entry highlighted from the keyboard without a menu open (About) keeps the
    // keys it understands (Return, Space, arrows, Escape); Qt gives it no focus of its own.
    if (m_menuBarByKeys && !menuBar()->activeAction()) {
        m_menuBarByKeys = false;
    }
    if (type == QEvent::KeyPress && m_menuBarByKeys) {
        auto* key = static_cast<QKeyEvent*>(event);
        key->setAccepted(true);
        QCoreApplication::sendEvent(menuBar(), key);
        if (key->isAccepted()) {
            return true;
        }
    }
    if (type == QEvent::ContextMenu) {
        return false;
    }
    if (m_held->hold(widget, event)) {
        return true;
    }
    return m_keyPreview->keyEvent(*static_cast<QKeyEvent*>(event));
}

void frmRehearsal::closeEvent(QCloseEvent* event) {
    m_shuttingDown = true;
    for (int i = 1; i < MarkStrip::kSlots; ++i) {
        m_strip->discard(i);
    }
    event->accept();
}
