#pragma once
// A compact row under the list of files (two short lines): how its files meet in the new
// file. "Match loudness" with its target, "Gap" and "Crossfade", all off at first. A gap and a
// crossfade exclude each other: giving one a length sets the other to none. What was chosen is kept
// in the splicer's settings file and comes back at the next start.

#include "wav/JoinOptions.h"

#include <QWidget>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

class JoinOptionsRow : public QWidget {
    Q_OBJECT
public:
    explicit JoinOptionsRow(QWidget* parent = nullptr);

    JoinOptions options() const;
    // Where the choices are kept: `~/.config/Tavrel/splicer.conf` (under $XDG_CONFIG_HOME
    // when that is set).
    static QString settingsPath();

    QCheckBox* chkLoudness;
    QSpinBox* spnTarget;
    QLabel* lblGap;
    QDoubleSpinBox* spnGap;
    QLabel* lblCrossfade;
    QDoubleSpinBox* spnCrossfade;

private:
    void load();
    void save() const;
};
