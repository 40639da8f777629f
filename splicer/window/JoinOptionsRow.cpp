#include "window/JoinOptionsRow.h"

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox* secondsBox(double most, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(0, most);
    box->setDecimals(1);
    box->setSingleStep(0.5);
    box->setSuffix(QStringLiteral(" s"));
    box->setSpecialValueText(QObject::tr("none"));
    box->setAccelerated(true);
    return box;
}

} // namespace

JoinOptionsRow::JoinOptionsRow(QWidget* parent) : QWidget(parent) {
    // One line under the list, beside the Clear button.
    auto* line = new QHBoxLayout(this);
    // Room for the focus ring, which is drawn inside this row around its controls.
    line->setContentsMargins(4, 4, 4, 4);
    line->setSpacing(6);

    chkLoudness = new QCheckBox(tr("&Match loudness"), this);
    spnTarget = new QSpinBox(this);
    spnTarget->setRange(static_cast<int>(JoinOptions::LowestTarget),
                        static_cast<int>(JoinOptions::HighestTarget));
    spnTarget->setValue(static_cast<int>(JoinOptions::DefaultTarget));
    spnTarget->setSuffix(QStringLiteral(" LUFS"));
    lblGap = new QLabel(tr("&Gap"), this);
    spnGap = secondsBox(JoinOptions::LongestGap, this);
    lblGap->setBuddy(spnGap);
    lblCrossfade = new QLabel(tr("Cross&fade"), this);
    spnCrossfade = secondsBox(JoinOptions::LongestCrossfade, this);
    lblCrossfade->setBuddy(spnCrossfade);

    line->addWidget(chkLoudness);
    line->addWidget(spnTarget);
    line->addSpacing(12);
    line->addWidget(lblGap);
    line->addWidget(spnGap);
    line->addSpacing(12);
    line->addWidget(lblCrossfade);
    line->addWidget(spnCrossfade);

    chkLoudness->setAccessibleDescription(
        tr("Brings every file to one loudness, its peaks kept under -1 dBTP"));
    spnTarget->setAccessibleName(tr("Loudness target"));
    spnTarget->setAccessibleDescription(tr("In LUFS, from -23 to -9"));
    spnGap->setAccessibleName(tr("Gap"));
    spnGap->setAccessibleDescription(
        tr("Seconds of silence between the files, up to 10; a gap clears the crossfade"));
    spnCrossfade->setAccessibleName(tr("Crossfade"));
    spnCrossfade->setAccessibleDescription(
        tr("Seconds over which one file fades into the next, up to 5; a crossfade clears "
           "the gap"));

    load();
    spnTarget->setEnabled(chkLoudness->isChecked());
    connect(chkLoudness, &QCheckBox::toggled, this, [this](bool on) {
        spnTarget->setEnabled(on);
        save();
    });
    connect(spnTarget, &QSpinBox::valueChanged, this, [this] { save(); });
    connect(spnGap, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (v > 0) {
            spnCrossfade->setValue(0);
        }
        save();
    });
    connect(spnCrossfade, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (v > 0) {
            spnGap->setValue(0);
        }
        save();
    });
}

JoinOptions JoinOptionsRow::options() const {
    JoinOptions o;
    o.matchLoudness = chkLoudness->isChecked();
    o.targetLufs = spnTarget->value();
    o.gapSeconds = spnGap->value();
    o.crossfadeSeconds = o.gapSeconds > 0 ? 0 : spnCrossfade->value();
    return o;
}

QString JoinOptionsRow::settingsPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("Tavrel/splicer.conf"));
}

// Values that cannot be used (a hand-edited file) are brought into range by the boxes; a gap
// and a crossfade both stored keep the gap.
void JoinOptionsRow::load() {
    const QSettings stored(settingsPath(), QSettings::IniFormat);
    const QSignalBlocker a(chkLoudness), b(spnTarget), c(spnGap), d(spnCrossfade);
    chkLoudness->setChecked(stored.value(QStringLiteral("join/matchLoudness"), false).toBool());
    spnTarget->setValue(
        stored.value(QStringLiteral("join/targetLufs"), JoinOptions::DefaultTarget).toInt());
    spnGap->setValue(stored.value(QStringLiteral("join/gapSeconds"), 0.0).toDouble());
    spnCrossfade->setValue(
        spnGap->value() > 0
            ? 0.0
            : stored.value(QStringLiteral("join/crossfadeSeconds"), 0.0).toDouble());
}

// QSettings writes the whole file anew beside the old one and renames it into place, so a
// crash never leaves half a file.
void JoinOptionsRow::save() const {
    QSettings stored(settingsPath(), QSettings::IniFormat);
    stored.setValue(QStringLiteral("join/matchLoudness"), chkLoudness->isChecked());
    stored.setValue(QStringLiteral("join/targetLufs"), spnTarget->value());
    stored.setValue(QStringLiteral("join/gapSeconds"), spnGap->value());
    stored.setValue(QStringLiteral("join/crossfadeSeconds"), spnCrossfade->value());
}
