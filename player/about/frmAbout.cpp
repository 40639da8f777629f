#include "about/frmAbout.h"

#include "about/PathMachineSettings.h"
#include "about/SvgPicture.h"
#include "about/SysInfo.h"
#include "platform/Platform.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString AppTitle = QStringLiteral(TAVREL_APP_TITLE);

QFrame* rule(QWidget* parent) {
    // A sunken horizontal line draws as a dark and a light line: the pair of Line1.
    auto* line = new QFrame(parent);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

frmAbout::frmAbout(Platform& platform, const MachineSettings& settings, QWidget* parent)
    : QDialog(parent), platform_(platform), settings_(settings) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowIcon(QIcon(QStringLiteral(":/about/icon.svg")));
    setModal(true);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    setSvgPicture(picIcon, QStringLiteral(":/about/icon.svg"), QSize(64, 64));

    lblTitle_ = new QLabel(this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle_->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2.0);
    titleFont.setBold(true);
    lblTitle_->setFont(titleFont);

    lblVersion_ = new QLabel(this);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));

    auto* caption = new QLabel(tr("Rehearsal player with ten mark points per track"), this);
    caption->setObjectName(QStringLiteral("lblDescription"));
    caption->setWordWrap(true);

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    setSvgPicture(image1, QStringLiteral(":/about/picture.svg"), QSize(320, 80));

    lblDisclaimer_ = new QLabel(tr("Questions and suggestions:\ntavrel@example.org"), this);
    lblDisclaimer_->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer_->setWordWrap(true);
    QPalette muted = lblDisclaimer_->palette();
    muted.setColor(QPalette::WindowText, muted.color(QPalette::PlaceholderText));
    lblDisclaimer_->setPalette(muted);

    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdOK_->setMinimumWidth(96);
    cmdSysInfo_ = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo_->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo_->setAutoDefault(false);
    cmdSysInfo_->setMinimumWidth(96);
    connect(cmdOK_, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo_, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto* text = new QVBoxLayout;
    text->setSpacing(4);
    text->addWidget(lblTitle_);
    text->addWidget(lblVersion_);
    text->addWidget(caption);
    text->addSpacing(8);
    text->addWidget(image1);

    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblDisclaimer_, 1);
    buttons->addSpacing(16);
    auto* column = new QVBoxLayout;
    column->addWidget(cmdOK_);
    column->addWidget(cmdSysInfo_);
    buttons->addLayout(column);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addWidget(rule(this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
}

void frmAbout::showModal(Platform& platform) {
    // Every showing loads the box afresh, so a new one each time is the same box to the user.
    const PathMachineSettings settings;
    frmAbout box(platform, settings);
    box.exec();
}

void frmAbout::Form_Load() {
    setWindowTitle(QStringLiteral("About ") + AppTitle);
    lblVersion_->setText(QStringLiteral("Version %1.%2.%3")
                             .arg(TAVREL_VERSION_MAJOR)
                             .arg(TAVREL_VERSION_MINOR)
                             .arg(TAVREL_VERSION_REVISION));
    lblTitle_->setText(AppTitle);
}

void frmAbout::cmdOK_Click() {
    done(QDialog::Accepted);
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo(platform_, settings_);
}

void frmAbout::reject() {
    cmdOK_Click();
}
