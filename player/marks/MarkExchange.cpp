#include "marks/MarkExchange.h"

#include "base/AppIdentity.h"
#include "base/Runtime.h"
#include "engine/modHybrid.h"
#include "marks/LabelFile.h"
#include "marks/MarkPoints.h"
#include "marks/StripMath.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kApp = AppIdentity::name();

QString fileName(const QString& path) {
    return QFileInfo(path).fileName();
}

} // namespace

MarkExchange::MarkExchange(MarkPoints& marks, modHybrid& hybrid, Platform& platform)
    : m_marks(marks), m_hybrid(hybrid), m_platform(platform) {}

bool MarkExchange::haveTrack() {
    if (m_hybrid.CurrentTrack.isEmpty()) {
        m_platform.messageBox(QStringLiteral("No File Chosen"), kApp, MsgButtons::Ok,
                              MsgIcon::Information);
        return false;
    }
    return true;
}

QString MarkExchange::trackFolder() const {
    return QFileInfo(m_hybrid.CurrentTrack).absolutePath();
}

void MarkExchange::refuse(const QString& file, const QString& why) {
    m_platform.messageBox(QStringLiteral("Tavrel cannot import marks from %1.\n\n%2\n\n"
                                         "The marks of this track have not been changed.")
                              .arg(QDir::toNativeSeparators(file), why),
                          kApp, MsgButtons::Ok, MsgIcon::Exclamation);
}

void MarkExchange::ExportMarks() {
    if (!haveTrack()) {
        return;
    }
    const MarkSnapshot now = m_marks.snapshot();
    QList<Label> labels;
    for (int i = 0; i < 10; ++i) {
        const MarkSnapshot::Mark& m = now.marks[i];
        if (!m.set) {
            continue;
        }
        if (const auto seconds = StripMath::parsePosition(m.position)) {
            labels.append({*seconds, *seconds, LabelFile::labelText(i + 1, m.note)});
        }
    }
    if (labels.isEmpty()) {
        m_platform.messageBox(QStringLiteral("This track has no marks to export."), kApp,
                              MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    std::stable_sort(labels.begin(), labels.end(),
                     [](const Label& a, const Label& b) { return a.start < b.start; });

    const QString suggested = QDir(trackFolder())
                                  .filePath(QFileInfo(m_hybrid.CurrentTrack).completeBaseName() +
                                            QStringLiteral(" marks.txt"));
    const QString path = m_platform.showSaveDialog(kFilter, suggested);
    if (path.isEmpty()) {
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(LabelFile::format(labels)) < 0 ||
        !file.commit()) {
        m_platform.messageBox(QStringLiteral("Tavrel could not write the label file %1:\n%2")
                                  .arg(QDir::toNativeSeparators(path), file.errorString()),
                              kApp, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    if (tell) {
        tell(QStringLiteral("Marks exported to ") + fileName(path));
    }
}

void MarkExchange::ImportMarks() {
    if (!haveTrack()) {
        return;
    }
    const QString path = m_platform.showOpenDialog(kFilter, trackFolder());
    if (path.isEmpty()) {
        return;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        refuse(path, QStringLiteral("It could not be read: %1.").arg(file.errorString()));
        return;
    }
    if (file.size() > LabelFile::kMaxBytes) {
        refuse(path, QStringLiteral("It is far too large to be a label file."));
        return;
    }
    const LabelFile::Parsed parsed = LabelFile::parse(file.readAll());
    if (!parsed.error.isEmpty()) {
        refuse(path, parsed.error);
        return;
    }

    QList<Label> labels = parsed.labels.mid(0, 10);
    std::stable_sort(labels.begin(), labels.end(),
                     [](const Label& a, const Label& b) { return a.start < b.start; });
    const double duration = m_hybrid.duration();
    if (duration > 0 && labels.constLast().start > duration) {
        refuse(path, QStringLiteral("Its label at %1 seconds lies after the end of this track "
                                    "(%2 seconds).")
                         .arg(numberText(labels.constLast().start), numberText(duration)));
        return;
    }

    const MarkSnapshot before = m_marks.snapshot();
    const bool hasMarks = std::any_of(before.marks.begin(), before.marks.end(),
                                      [](const MarkSnapshot::Mark& m) { return m.set; });
    if (hasMarks) {
        QString question =
            parsed.labels.size() == 1
                ? QStringLiteral("Replace the marks of this track with the label of %1?")
                      .arg(fileName(path))
                : QStringLiteral("Replace the marks of this track with the %1 labels of %2?")
                      .arg(labels.size())
                      .arg(fileName(path));
        if (parsed.labels.size() > 10) {
            question += QStringLiteral("\n\nThe file holds %1 labels; the first ten become "
                                       "marks 1 to 10.")
                            .arg(parsed.labels.size());
        }
        if (m_platform.messageBox(question, kApp, MsgButtons::YesNo, MsgIcon::Question) !=
            MsgAnswer::Yes) {
            return;
        }
    }

    MarkSnapshot imported;
    imported.track = m_hybrid.CurrentTrack;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        imported.marks[i] = {true, numberText(labels[i].start), LabelFile::noteOf(labels[i].text),
                             std::nullopt, std::nullopt};
    }
    m_marks.rememberForUndo(true);
    if (!m_marks.restoreMarks(imported)) {
        return;
    }
    m_marks.model().setCurrent(-1);
    if (tell) {
        tell(QStringLiteral("Marks imported from ") + fileName(path));
    }
}
