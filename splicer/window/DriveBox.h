#pragma once
// The drive box: the mounted volumes of the system and the user's home folder, each standing
// for one drive. The drive of an entry is the folder its tree starts at.

#include <QComboBox>

class DriveBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveBox(QWidget* parent = nullptr);

    // The root folder of the chosen entry.
    QString drive() const;
    void addDrive(const QString& label, const QString& root);
    // Chooses, without a change notification, the entry whose root holds `path` most closely.
    void selectDriveOf(const QString& path);
    // Chooses, without a change notification, the entry of the drive `root`.
    void selectDrive(const QString& root);
    // Whether the drive can be read now (a removable volume may have gone away).
    static bool isAvailable(const QString& root);
    static bool contains(const QString& root, const QString& path);

signals:
    // The user picked another entry.
    void driveChanged();
};
