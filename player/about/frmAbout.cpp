#include "about/frmAbout.h"

#include "about/PathMachineSettings.h"
#include "about/SvgPicture.h"
#include "about/SysInfo.h"
#include "base/AppIdentity.h"
#include "platform/Platform.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString AppTitle = AppIdentity::name();

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
    : QDialog(parent), m_platform(platform), m_settings(settings) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowIcon(QIcon(QStringLiteral(":/about/icon.svg")));
    setModal(true);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    setSvgPicture(picIcon, QStringLiteral(":/about/icon.svg"), QSize(64, 64));

    m_lblTitle = new QLabel(this);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2.0);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);

    m_lblVersion = new QLabel(this);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));

    auto* caption = new QLabel(tr("Rehearsal player with ten mark points per track"), this);
    caption->setObjectName(QStringLiteral("lblDescription"));
    caption->setWordWrap(true);

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    setSvgPicture(image1, QStringLiteral(":/about/picture.svg"), QSize(320, 80));

    m_lblDisclaimer = new QLabel(tr("Questions and suggestions:\ntavrel@example.org"), this);
    m_lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    m_lblDisclaimer->setWordWrap(true);
    QPalette muted = m_lblDisclaimer->palette();
    muted.setColor(QPalette::WindowText, muted.color(QPalette::PlaceholderText));
    m_lblDisclaimer->setPalette(muted);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdOK->setMinimumWidth(96);
    m_cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_cmdSysInfo->setAutoDefault(false);
    m_cmdSysInfo->setMinimumWidth(96);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(m_cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    auto* text = new QVBoxLayout;
    text->setSpacing(4);
    text->addWidget(m_lblTitle);
    text->addWidget(m_lblVersion);
    text->addWidget(caption);
    text->addSpacing(8);
    text->addWidget(image1);

    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_lblDisclaimer, 1);
    buttons->addSpacing(16);
    auto* column = new QVBoxLayout;
    column->addWidget(m_cmdOK);
    column->addWidget(m_cmdSysInfo);
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
    m_lblVersion->setText(QStringLiteral("Version ") + AppIdentity::version());
    m_lblTitle->setText(AppTitle);
}

void frmAbout::cmdOK_Click() {
    done(QDialog::Accepted);
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo(m_platform, m_settings);
}

void frmAbout::reject() {
    cmdOK_Click();
}
