#include "window/DriveBox.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

DriveBox::DriveBox(QWidget* parent) : QComboBox(parent) {
    addDrive(tr("Home folder (%1)").arg(QDir::homePath()), QDir::homePath());
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady()) {
            continue;
        }
        const QString name = volume.displayName();
        const QString root = volume.rootPath();
        addDrive(name == root ? root : QStringLiteral("%1  (%2)").arg(name, root), root);
    }
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(); });
}

QString DriveBox::drive() const {
    return currentData().toString();
}

void DriveBox::addDrive(const QString& label, const QString& root) {
    const QString clean = QDir::cleanPath(root);
    if (findData(clean) < 0) {
        addItem(label, clean);
    }
}

bool DriveBox::contains(const QString& root, const QString& path) {
    const QString r = QDir::cleanPath(root);
    const QString p = QDir::cleanPath(path);
    return p == r || p.startsWith(r.endsWith('/') ? r : r + '/');
}

void DriveBox::selectDriveOf(const QString& path) {
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (contains(root, path) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best < 0) {
        return;
    }
    const QSignalBlocker quiet(this);
    setCurrentIndex(best);
}

void DriveBox::selectDrive(const QString& root) {
    const int index = findData(QDir::cleanPath(root));
    if (index < 0) {
        return;
    }
    const QSignalBlocker quiet(this);
    setCurrentIndex(index);
}

bool DriveBox::isAvailable(const QString& root) {
    const QFileInfo info(root);
    return info.isDir() && info.isReadable() && QStorageInfo(root).isReady();
}
