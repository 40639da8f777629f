#include "window/Form1.h"

#include "titlebar/PropertyBag.h"
#include "titlebar/TitelBar.h"
#include "wav/clsWavConcatenate.h"
#include "window/Announcer.h"
#include "window/DirBox.h"
#include "window/DriveBox.h"
#include "window/ElidedLabel.h"
#include "window/FileBox.h"
#include "window/FocusRing.h"
#include "window/JoinOptionsRow.h"
#include "window/PathLabel.h"
#include "window/PictureIcon.h"
#include "window/SplicerLook.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSizeGrip>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace {

const QString ProgramTitle = QStringLiteral("Splicer");

// Each step has a bullet beside it; the line in parentheses belongs to the step above it.
const std::array<std::pair<const char*, bool>, 8> Instructions = {{
    {"Highlight files to splice from directory under \"Locate Files\"", true},
    {"(hold down CTRL key to select multiple files)", false},
    {"Move selected files to \"Files to splice\" list", true},
    {"Arrange selected files in the order you want them spliced", true},
    {"Select directory for new (spliced) file from directory under \"Send new file to::", true},
    {"Supply a name for new (spliced) file (.wav extension will be added automatically)", true},
    {"Click SPLICE", true},
    {"Progress will be displayed as operation is being completed", true},
}};

// The engine's reason on a line of its own, so that the user can do something about it.
QString because(const std::string& reason) {
    return reason.empty() ? QString() : QStringLiteral("\n") + QString::fromStdString(reason);
}

// Whether two paths name one file, also through a symbolic or hard link or another spelling
// of the same folder; a path that does not exist names no file yet.
bool sameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0) {
        return false;
    }
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10.5);
    font.setBold(true);
    label->setFont(font);
    label->setObjectName(QStringLiteral("heading"));
    return label;
}

QToolButton* pictureButton(const QString& picture, const QString& tip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(PictureIcon::fromSvg(picture));
    button->setIconSize({22, 22});
    button->setFixedSize(38, 38);
    button->setToolTip(tip);
    button->setAutoRaise(false);
    return button;
}

} // namespace

Form1::Form1(MessageBoxes& messages, QWidget* parent) : QWidget(parent), m_messages(messages) {
    setWindowTitle(QStringLiteral("WAV Splicer"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowIcon(PictureIcon::fromSvg(QStringLiteral(":/splicer/org.tavrel.splicer.svg")));
    setObjectName(QStringLiteral("Form1"));
    setStyleSheet(QString::fromLatin1(SplicerLook::styleSheet()));
    buildControls();
    nameControls();
    orderFocus();
    connectHandlers();

    // Both sides start where the program was started.
    const QString here = QDir::currentPath();
    Drive1->selectDriveOf(here);
    m_sourceDrive = Drive1->drive();
    Dir1->showFolder(Drive1->drive(), here);
    File1->setPath(Dir1->path());
    Drive2->selectDriveOf(here);
    m_destinationDrive = Drive2->drive();
    Dir2->showFolder(Drive2->drive(), here);
    setSplicing(false);
    showPercent(QString());
    showStatus(QString());
}

Form1::~Form1() = default;

void Form1::buildControls() {
    auto* root = new QVBoxLayout(this);
    // A frameless window draws its own edge, so that it stands apart from what lies behind.
    setAttribute(Qt::WA_StyledBackground);
    root->setContentsMargins(1, 0, 1, 1);
    root->setSpacing(0);

    TB = new TitelBar(this);
    TB->setObjectName(QStringLiteral("TB"));
    QFile design(QStringLiteral(":/splicer/window/Form1.design"));
    if (design.open(QIODevice::ReadOnly | QIODevice::Text)) {
        TB->ReadProperties(PropertyBag::fromText(QString::fromUtf8(design.readAll())));
    }
    TB->setFixedHeight(31);
    root->addWidget(TB);

    auto* body = new QWidget(this);
    body->setObjectName(QStringLiteral("body"));
    root->addWidget(body, 1);
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(18, 14, 18, 16);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);

    Label10 = heading(QStringLiteral("Locate Files"), body);
    Label3 = heading(QStringLiteral("Files to splice:"), body);
    Label4 = heading(QStringLiteral("Send new file to:"), body);
    grid->addWidget(Label10, 0, 0);
    grid->addWidget(Label3, 0, 2);
    grid->addWidget(Label4, 0, 5);

    auto* source = new QVBoxLayout;
    source->setSpacing(8);
    Drive1 = new DriveBox(body);
    Dir1 = new DirBox(body);
    lblSourcePath = new PathLabel(body);
    File1 = new FileBox(body);
    source->addWidget(Drive1);
    source->addWidget(Dir1, 2);
    source->addWidget(lblSourcePath);
    source->addWidget(File1, 3);
    grid->addLayout(source, 1, 0);

    cmdAdd = pictureButton(QStringLiteral(":/splicer/window/add.svg"),
                           tr("Add the selected files to the list"), body);
    grid->addWidget(cmdAdd, 1, 1, Qt::AlignVCenter);

    lstFiles = new QListWidget(body);
    lstFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Entries are put in order by dragging them as well as with the arrow buttons.
    lstFiles->setDragDropMode(QAbstractItemView::InternalMove);
    lstFiles->setDefaultDropAction(Qt::MoveAction);
    grid->addWidget(lstFiles, 1, 2);

    auto* arrange = new QVBoxLayout;
    arrange->setSpacing(8);
    cmdRemove = pictureButton(QStringLiteral(":/splicer/window/remove.svg"),
                              tr("Remove the selected files from the list"), body);
    cmdUp = pictureButton(QStringLiteral(":/splicer/window/up.svg"), tr("Move up"), body);
    cmdDown = pictureButton(QStringLiteral(":/splicer/window/down.svg"), tr("Move down"), body);
    arrange->addStretch(1);
    arrange->addWidget(cmdUp);
    arrange->addWidget(cmdDown);
    arrange->addSpacing(16);
    arrange->addWidget(cmdRemove);
    arrange->addStretch(1);
    grid->addLayout(arrange, 1, 3);

    auto* destination = new QVBoxLayout;
    destination->setSpacing(8);
    Drive2 = new DriveBox(body);
    Dir2 = new DirBox(body);
    lblDestinationPath = new PathLabel(body);
    txtFile = new QLineEdit(body);
    txtFile->setPlaceholderText(tr("Name of the new file"));
    txtFile->setClearButtonEnabled(true);
    cmdSplice = new QPushButton(QStringLiteral("SPLICE"), body);
    cmdSplice->setObjectName(QStringLiteral("cmdSplice"));
    cmdSplice->setMinimumHeight(40);
    destination->addWidget(Drive2);
    destination->addWidget(Dir2, 1);
    destination->addWidget(lblDestinationPath);
    destination->addWidget(txtFile);
    destination->addWidget(cmdSplice);
    grid->addLayout(destination, 1, 5);
    // A little air between the list and the destination.
    grid->setColumnMinimumWidth(4, 6);

    cmdClear = new QPushButton(QStringLiteral("Clear"), body);
    auto* clearRow = new QHBoxLayout;
    clearRow->addStretch(1);
    clearRow->addWidget(cmdClear);
    // How the files meet: one line under the folder and the list, Clear at its end.
    joinRow = new JoinOptionsRow(body);
    clearRow->insertWidget(0, joinRow);
    grid->addLayout(clearRow, 2, 0, 1, 4);

    Frame2 = new QGroupBox(QStringLiteral("Instructions"), body);
    auto* steps = new QGridLayout(Frame2);
    steps->setHorizontalSpacing(10);
    steps->setVerticalSpacing(5);
    steps->setContentsMargins(14, 12, 14, 12);
    int bullet = 0;
    for (size_t i = 0; i < Instructions.size(); ++i) {
        const int row = static_cast<int>(i);
        lblInstruction[i] = new QLabel(QString::fromUtf8(Instructions[i].first), Frame2);
        steps->addWidget(lblInstruction[i], row, 1);
        if (Instructions[i].second) {
            auto* shape = new QFrame(Frame2);
            shape->setObjectName(QStringLiteral("Shape1"));
            shape->setFixedSize(7, 7);
            Shape1[static_cast<size_t>(bullet++)] = shape;
            steps->addWidget(shape, row, 0, Qt::AlignCenter);
        }
    }
    steps->setColumnStretch(1, 1);
    steps->setRowStretch(static_cast<int>(Instructions.size()), 1);

    Frame1 = new QGroupBox(QStringLiteral("Progress"), body);
    auto* progress = new QGridLayout(Frame1);
    progress->setContentsMargins(14, 12, 14, 12);
    progress->setVerticalSpacing(8);
    Label1 = new QLabel(Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setMinimumWidth(90);
    Label2 = new ElidedLabel(Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    prgSplice = new QProgressBar(Frame1);
    prgSplice->setRange(0, 100);
    prgSplice->setTextVisible(false);
    prgSplice->setFixedHeight(10);
    prgSplice->reset();
    cmdCancel = new QPushButton(tr("Cancel"), Frame1);
    progress->addWidget(Label1, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    progress->addWidget(cmdCancel, 0, 1, Qt::AlignRight);
    progress->addWidget(Label2, 1, 0, 1, 2);
    progress->addWidget(prgSplice, 2, 0, 1, 2);
    progress->setRowStretch(3, 1);
    progress->setColumnStretch(0, 1);

    cmdExit = new QPushButton(QStringLiteral("EXIT"), body);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setMinimumWidth(110);

    auto* bottom = new QGridLayout;
    bottom->setHorizontalSpacing(12);
    bottom->addWidget(Frame2, 0, 0, 2, 1);
    bottom->addWidget(Frame1, 0, 1);
    bottom->addWidget(cmdExit, 1, 1, Qt::AlignRight | Qt::AlignBottom);
    bottom->setColumnStretch(0, 3);
    bottom->setColumnStretch(1, 2);
    grid->addLayout(bottom, 3, 0, 1, 6);

    grid->setColumnStretch(0, 4);
    grid->setColumnStretch(2, 4);
    grid->setColumnStretch(5, 4);
    grid->setRowStretch(1, 1);

    // A frameless window has no frame to pull at: the corner grip resizes it (through the
    // window manager where there is one).
    grip = new QSizeGrip(this);
    grip->setObjectName(QStringLiteral("grip"));
    grip->resize(grip->sizeHint());
    grip->raise();

    announcer = new Announcer(this);
    m_focusRing = new FocusRing(this);
    fitToScreen();
}

// Names and descriptions for a screen reader: the picture-only buttons say what they are, and
// the boxes and the labels that show state take the caption the window shows beside them.
void Form1::nameControls() {
    Label10->setBuddy(Drive1);
    Label4->setBuddy(Drive2);
    // A screen reader on this system names a drop-down list by its entry and its label.
    Drive1->setAccessibleDescription(tr("Drive to locate files on"));
    Dir1->setAccessibleName(tr("Folder to locate files in"));
    lblSourcePath->setCaption(tr("Files are located in"));
    File1->setAccessibleName(tr("WAV files to choose from"));
    File1->setAccessibleDescription(tr("Select the files to splice, then add them to the list"));
    cmdAdd->setAccessibleName(tr("Add"));
    cmdAdd->setAccessibleDescription(
        tr("Adds the files selected under Locate Files to the files to splice"));
    lstFiles->setAccessibleName(tr("Files to splice"));
    lstFiles->setAccessibleDescription(tr("Spliced in this order, top first"));
    cmdUp->setAccessibleName(tr("Move up"));
    cmdUp->setAccessibleDescription(tr("Moves the selected file one place up in the list"));
    cmdDown->setAccessibleName(tr("Move down"));
    cmdDown->setAccessibleDescription(tr("Moves the selected file one place down in the list"));
    cmdRemove->setAccessibleName(tr("Remove"));
    cmdRemove->setAccessibleDescription(tr("Removes the selected files from the list"));
    cmdClear->setAccessibleDescription(
        tr("Empties the list, the name of the new file and the progress"));
    Drive2->setAccessibleDescription(tr("Drive to send the new file to"));
    Dir2->setAccessibleName(tr("Folder to send the new file to"));
    lblDestinationPath->setCaption(tr("New file goes to"));
    txtFile->setAccessibleName(tr("Name of the new file"));
    txtFile->setAccessibleDescription(tr("The .wav extension is added to the name"));
    if (auto* clear = txtFile->findChild<QToolButton*>()) {
        clear->setAccessibleName(tr("Clear the name"));
    }
    cmdSplice->setAccessibleName(tr("Splice"));
    cmdSplice->setAccessibleDescription(
        tr("Joins the files of the list, in their order, into the new file"));
    prgSplice->setAccessibleName(tr("Splice progress"));
    cmdCancel->setAccessibleDescription(tr("Stops the splice; no new file is written"));
    cmdExit->setAccessibleName(tr("Exit"));
    cmdExit->setAccessibleDescription(tr("Closes the window"));
    grip->setAccessibleName(tr("Size grip"));
    grip->setAccessibleDescription(tr("Drag to change the size of the window"));
    // The bullets of the instructions would otherwise be read out under the group's title.
    for (QFrame* bullet : Shape1) {
        bullet->setAccessibleName(QStringLiteral("\u2022"));
    }
}

// Tab goes the way the window reads: the title bar's buttons, then the columns from left to
// right, each from top to bottom, then the progress and EXIT.
void Form1::orderFocus() {
    const std::initializer_list<QWidget*> order{TB->button(TitleButton::Minimize),
                                                TB->button(TitleButton::Maximize),
                                                TB->button(TitleButton::Close),
                                                Drive1,
                                                Dir1,
                                                File1,
                                                cmdAdd,
                                                lstFiles,
                                                cmdUp,
                                                cmdDown,
                                                cmdRemove,
                                                joinRow->chkLoudness,
                                                joinRow->spnTarget,
                                                joinRow->spnGap,
                                                joinRow->spnCrossfade,
                                                cmdClear,
                                                Drive2,
                                                Dir2,
                                                txtFile,
                                                cmdSplice,
                                                cmdCancel,
                                                cmdExit};
    QWidget* previous = nullptr;
    for (QWidget* w : order) {
        if (previous) {
            setTabOrder(previous, w);
        }
        previous = w;
    }
    // The window opens with the focus on the first drive box, as it always has.
    Drive1->setFocus(Qt::OtherFocusReason);
}

// The labels of the progress are named by what they show, so that a screen reader reading
// the window says what the figure and the text are.
void Form1::showPercent(const QString& text) {
    Label1->setText(text);
    Label1->setAccessibleName(text.isEmpty() ? tr("Progress") : tr("Progress: %1").arg(text));
}

void Form1::showStatus(const QString& text) {
    Label2->setText(text);
    Label2->setAccessibleName(text.isEmpty() ? tr("Status") : tr("Status: %1").arg(text));
}

// The window opens at its usual size, or smaller on a small or scaled screen, and never
// larger than the screen's free area; nothing of an earlier run is remembered.
void Form1::fitToScreen() {
    QSize size(1060, 740);
    if (const QScreen* s = screen()) {
        const QRect free = s->availableGeometry();
        size = size.boundedTo(free.size());
        resize(size.expandedTo(minimumSizeHint()).boundedTo(free.size()));
        move(free.center() - rect().center());
        return;
    }
    resize(size);
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    grip->move(width() - grip->width() - 1, height() - grip->height() - 1);
}

void Form1::connectHandlers() {
    connect(cmdAdd, &QToolButton::clicked, this, &Form1::cmdAdd_Click);
    connect(File1, &QListWidget::itemDoubleClicked, this, &Form1::File1_DblClick);
    connect(cmdRemove, &QToolButton::clicked, this, &Form1::cmdRemove_Click);
    connect(cmdUp, &QToolButton::clicked, this, &Form1::cmdUp_Click);
    connect(cmdDown, &QToolButton::clicked, this, &Form1::cmdDown_Click);
    connect(cmdClear, &QPushButton::clicked, this, &Form1::cmdClear_Click);
    connect(cmdSplice, &QPushButton::clicked, this, &Form1::cmdSplice_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &Form1::cmdCancel_Click);
    connect(cmdExit, &QPushButton::clicked, this, &Form1::cmdExit_Click);
    connect(txtFile, &QLineEdit::returnPressed, this, &Form1::cmdSplice_Click);
    connect(Drive1, &DriveBox::driveChanged, this, &Form1::Drive1_Change);
    connect(Dir1, &DirBox::folderRequested, this, &Form1::Dir1_Change);
    connect(Dir1, &DirBox::pathChanged, this, [this] { lblSourcePath->setPath(Dir1->path()); });
    connect(Drive2, &DriveBox::driveChanged, this, &Form1::Drive2_Change);
    connect(Dir2, &DirBox::folderRequested, this,
            [this](const QString& folder) { Dir2->showFolder(Drive2->drive(), folder); });
    connect(Dir2, &DirBox::pathChanged, this,
            [this] { lblDestinationPath->setPath(Dir2->path()); });
}

MessageBoxes::Answer Form1::message(const QString& text, const QString& title,
                                    MessageBoxes::Buttons buttons, MessageBoxes::Icon icon) {
    return m_messages.show(this, text, title, buttons, icon);
}

bool Form1::IsInSpliceList(const QString& name) const {
    for (int i = 0; i < lstFiles->count(); ++i) {
        if (lstFiles->item(i)->text() == name) {
            return true;
        }
    }
    return false;
}

void Form1::cmdAdd_Click() {
    for (int i = 0; i < File1->count(); ++i) {
        if (File1->item(i)->isSelected()) {
            lstFiles->addItem(File1->item(i)->text());
        }
    }
}

void Form1::File1_DblClick() {
    const QString name = File1->fileName();
    if (!name.isEmpty() && !IsInSpliceList(name)) {
        lstFiles->addItem(name);
    }
}

void Form1::cmdRemove_Click() {
    for (int i = lstFiles->count() - 1; i >= 0; --i) {
        if (lstFiles->item(i)->isSelected()) {
            delete lstFiles->takeItem(i);
        }
    }
}

void Form1::cmdUp_Click() {
    moveEntry(-1);
}

void Form1::cmdDown_Click() {
    moveEntry(+1);
}

void Form1::moveEntry(int step) {
    if (lstFiles->selectedItems().isEmpty()) {
        return;
    }
    const int i = lstFiles->currentRow();
    const int j = i + step;
    if (i < 0 || j < 0 || j >= lstFiles->count()) {
        return;
    }
    QListWidgetItem* from = lstFiles->item(i);
    QListWidgetItem* to = lstFiles->item(j);
    const QString text = from->text();
    from->setText(to->text());
    to->setText(text);
    from->setSelected(false);
    to->setSelected(true);
    // The focus goes along with the moved entry, so that pressing the button again keeps
    // moving the same file; the other selections stay as they were.
    lstFiles->setCurrentRow(j, QItemSelectionModel::NoUpdate);
}

void Form1::cmdClear_Click() {
    File1->clearSelection();
    showPercent(QString());
    showStatus(QString());
    prgSplice->reset();
    txtFile->clear();
    lstFiles->clear();
}

void Form1::cmdSplice_Click() {
    if (m_splicing) {
        return;
    }
    if (lstFiles->count() == 0) {
        message(QStringLiteral("Please select files to splice"), ProgramTitle);
        return;
    }
    if (txtFile->text().isEmpty()) {
        message(QStringLiteral("File Name Needed"), ProgramTitle);
        return;
    }
    // The name is a name, not a path: it may not lead out of the chosen folder.
    const QString name = txtFile->text();
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1String(".."))) {
        message(QStringLiteral("The name of the new file cannot contain \"/\" or \"..\"."),
                ProgramTitle);
        return;
    }
    // The extension is always added, even to a name that already ends in it.
    const QString output = QDir(Dir2->path()).filePath(name + QStringLiteral(".wav"));
    // The new file is written over an existing one of that name; one being read would be lost.
    const QDir source(Dir1->path());
    for (int i = 0; i < lstFiles->count(); ++i) {
        const QString entry = lstFiles->item(i)->text();
        if (sameFile(source.filePath(entry), output)) {
            message(QStringLiteral("The new file would replace %1, one of the files being "
                                   "spliced.\nPlease choose another name.")
                        .arg(entry),
                    ProgramTitle);
            return;
        }
    }
    OutputPath = output;
    SpliceFiles();
    txtFile->clear();
    OutputPath.clear();
    if (m_closePending) {
        close();
    }
}

void Form1::SpliceFiles() {
    cWavConcat = std::make_unique<clsWavConcatenate>();
    WaveFormatEx format;
    format.wFormatTag = 1;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.nAvgBytesPerSec = 176400;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    cWavConcat->setOutputFormat(format);
    cWavConcat->FileChanged = [this](std::string& name) { cWavConcat_FileChanged(name); };
    cWavConcat->Progress = [this](int16_t& percent) { cWavConcat_Progress(percent); };
    cWavConcat->ProcessEvents = [] { QCoreApplication::processEvents(); };
    cWavConcat->CancelRequested = [this] { return m_cancelRequested; };

    // Nothing of an earlier run may stay on show while this one starts.
    showPercent(QString());
    showStatus(QString());
    prgSplice->reset();
    cWavConcat->setJoinOptions(joinRow->options());
    const QDir source(Dir1->path());
    QList<QListWidgetItem*> admitted;
    int leftOut = 0;
    for (int i = 0; i < lstFiles->count(); ++i) {
        const QString name = lstFiles->item(i)->text();
        lstFiles->item(i)->setToolTip(QString());
        if (cWavConcat->WaveAdd(QFile::encodeName(source.filePath(name)).toStdString())) {
            admitted << lstFiles->item(i);
        } else {
            ++leftOut;
            message(QStringLiteral("Wave ") + name + QStringLiteral(" not supported!") +
                        because(cWavConcat->lastError()),
                    ProgramTitle);
        }
    }

    m_announcedTens = -1;
    setSplicing(true);
    const bool joined =
        cWavConcat->WaveConcatenate(QFile::encodeName(OutputPath).toStdString(), true);
    const bool cancelled = m_cancelRequested;
    setSplicing(false);

    const QString outputName = QFileInfo(OutputPath).fileName();
    if (joined) {
        showPercent(QStringLiteral("100%"));
        prgSplice->setValue(100);
        // The outcome line tells what the file lacks: inputs left out (each had its box) and
        // inputs joined only as far as their files went.
        QStringList shortfalls;
        if (leftOut > 0) {
            shortfalls << (leftOut == 1 ? QStringLiteral("1 file left out")
                                        : QStringLiteral("%1 files left out").arg(leftOut));
        }
        for (const WaveQueueEntry& e : cWavConcat->queueSlots()) {
            const std::string told = clsWavConcatenate::shortfall(e);
            if (!told.empty()) {
                shortfalls << QFile::decodeName(QByteArray::fromStdString(told));
            }
        }
        QString outcome = shortfalls.isEmpty() ? QStringLiteral("FINISHED!")
                                               : QStringLiteral("FINISHED! ") +
                                                     shortfalls.join(QStringLiteral("; "));
        if (showJoinDetails(admitted)) {
            outcome += tr(" (each file's gain is in its tooltip in the list)");
        }
        showStatus(outcome);
        announcer->announce(
            tr("Finished! %1 was written.").arg(outputName) +
            (shortfalls.isEmpty()
                 ? QString()
                 : QLatin1Char(' ') + shortfalls.join(QStringLiteral(". ")) + QLatin1Char('.')));
    } else if (cancelled) {
        showStatus(tr("Cancelled"));
        announcer->announce(tr("Cancelled. %1 was not written.").arg(outputName));
    } else {
        showStatus(QStringLiteral("Failed!"));
        const QString failure = QStringLiteral("Failed!\n") + outputName +
                                QStringLiteral(" was not written.") +
                                because(cWavConcat->lastError());
        // Said before the box opens, which holds everything up until it is answered.
        announcer->announce(QString(failure).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        message(failure, QStringLiteral("Error"), MessageBoxes::Buttons::Ok,
                MessageBoxes::Icon::Exclamation);
    }
    cWavConcat.reset();
}

// What the join measured and did to each admitted file, as the tooltip of its entry. False when
// there is nothing to tell (a plain join).
bool Form1::showJoinDetails(const QList<QListWidgetItem*>& admitted) {
    bool told = false;
    const std::vector<InputLoudness>& done = cWavConcat->loudness();
    for (qsizetype i = 0; i < admitted.size() && i < static_cast<qsizetype>(done.size()); ++i) {
        const InputLoudness& m = done[static_cast<size_t>(i)];
        QStringList lines;
        if (m.measured && m.kept) {
            lines << tr("Loudness not matched: silent or shorter than 0.4 s; level kept");
        } else if (m.measured) {
            lines << tr("Measured %1 LUFS, true peak %2 dBTP")
                         .arg(m.lufs, 0, 'f', 1)
                         .arg(m.truePeak, 0, 'f', 1)
                  << tr("Gain %1 dB%2")
                         .arg(QString::asprintf("%+.1f", m.gainDb))
                         .arg(m.limitedByPeak ? tr(", held under -1 dBTP") : QString());
        }
        if (m.crossfadeSkipped) {
            lines << tr("Joined without a crossfade: shorter than twice the crossfade");
        }
        admitted[i]->setToolTip(lines.join(QLatin1Char('\n')));
        told = told || !lines.isEmpty();
    }
    return told;
}

void Form1::cWavConcat_FileChanged(std::string& FileName) {
    const QString path = QFile::decodeName(QByteArray::fromStdString(FileName));
    showStatus(path);
    announcer->announce(tr("Splicing %1").arg(QFileInfo(path).fileName()));
}

void Form1::cWavConcat_Progress(int16_t& Percent) {
    const int percent = std::clamp<int>(Percent, 0, 100);
    showPercent(QString::number(Percent) + QLatin1Char('%'));
    prgSplice->setValue(percent);
    // A report comes every ten seconds of sound; a screen reader hears of each tenth passed,
    // once, so that a long splice does not talk over everything else.
    if (percent / 10 > m_announcedTens && percent >= 10) {
        m_announcedTens = percent / 10;
        announcer->announce(tr("Progress: %1%").arg(percent));
    }
}

void Form1::setSplicing(bool running) {
    m_splicing = running;
    m_cancelRequested = false;
    // A splice reads the list and the source folder as they were when it started; nothing
    // that changes them, and no second splice, may start in the middle of one.
    for (QWidget* w : std::initializer_list<QWidget*>{Drive1, Dir1, File1, cmdAdd, lstFiles,
                                                      cmdRemove, cmdUp, cmdDown, cmdClear, Drive2,
                                                      Dir2, txtFile, cmdSplice, joinRow}) {
        w->setEnabled(!running);
    }
    cmdCancel->setEnabled(running);
}

void Form1::cmdCancel_Click() {
    if (m_splicing) {
        m_cancelRequested = true;
    }
}

void Form1::cmdExit_Click() {
    close();
}

void Form1::closeEvent(QCloseEvent* event) {
    // The window cannot go away under a running splice: the run is cancelled and the window
    // closes as soon as it has ended.
    if (m_splicing) {
        m_cancelRequested = true;
        m_closePending = true;
        event->ignore();
        return;
    }
    event->accept();
}

void Form1::Drive1_Change() {
    const QString drive = Drive1->drive();
    if (!DriveBox::isAvailable(drive)) {
        message(QStringLiteral("Please insert drive or disk"), ProgramTitle);
        Drive1->selectDrive(m_sourceDrive);
        return;
    }
    RefreshFileBoxes(drive, DriveBox::contains(drive, Dir1->path()) ? Dir1->path() : drive);
}

void Form1::Dir1_Change(const QString& folder) {
    RefreshFileBoxes(Drive1->drive(), folder);
}

// Moves the source boxes to `folder` of `drive`. The tree, the drive box, the file box and the
// folder a splice reads from move together, or, when the user keeps the list, none of them.
void Form1::RefreshFileBoxes(const QString& drive, const QString& folder) {
    if (lstFiles->count() > 0) {
        const MessageBoxes::Answer answer =
            message(QStringLiteral("Files being spliced must be in the same directory.\n\n"
                                   "Do you wish to clear selected items and navigate\n"
                                   "to a new folder?"),
                    QStringLiteral("Plemora"), MessageBoxes::Buttons::YesNo);
        if (answer == MessageBoxes::Answer::No) {
            Drive1->selectDrive(m_sourceDrive);
            return;
        }
        lstFiles->clear();
    }
    m_sourceDrive = drive;
    Dir1->showFolder(drive, folder);
    File1->setPath(Dir1->path());
}

void Form1::Drive2_Change() {
    if (!DriveBox::isAvailable(Drive2->drive())) {
        message(QStringLiteral("Please insert drive or disk"), ProgramTitle);
        Drive2->selectDrive(m_destinationDrive);
        return;
    }
    m_destinationDrive = Drive2->drive();
    Dir2->showFolder(Drive2->drive(), Drive2->drive());
}
