#pragma once
// Export and import of a track's marks as a label file, so that they can travel between this
// player and sound editors. Export writes the set marks as point labels in time order; import
// makes marks 1 to 10, in time order, of the first ten labels of a file, after asking before
// it replaces marks, and stores them in one commit. A file that cannot be read changes nothing.

#include <QString>

#include <functional>

class MarkPoints;
class Platform;
class modHybrid;

class MarkExchange {
public:
    static inline const QString kFilter =
        QStringLiteral("Label Files (*.txt)|*.txt|All Files (*.*)|*.*");

    MarkExchange(MarkPoints& marks, modHybrid& hybrid, Platform& platform);

    // Set by the window: one line of news for the user (lblNote).
    std::function<void(const QString&)> tell;

    void ExportMarks();
    void ImportMarks();

private:
    bool haveTrack();
    QString trackFolder() const;
    void refuse(const QString& file, const QString& why);

    MarkPoints& m_marks;
    modHybrid& m_hybrid;
    Platform& m_platform;
};
