#pragma once
// The per-user settings store of the player: text values addressed by application, section
// and key, in one SQLite file.
//
// The three names match without regard to letter case (non-ASCII letters included) and may
// hold any characters; a full track path is a section like any other. Every write is committed
// before it returns, and several players may write to the same file at once.
//
// Problems the user has to know about (a damaged file set aside, a write that could not be
// saved) go to the problem handler; the window installs one that shows a message box.

#include "settings/SettingsAccess.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class SettingsStore : public SettingsAccess {
public:
    using ProblemHandler = std::function<void(const QString& message)>;

    // $XDG_CONFIG_HOME/Tavrel/settings.db, or ~/.config/Tavrel/settings.db.
    static QString defaultFilePath();

    // The file and its folder are created on first use.
    explicit SettingsStore(const QString& filePath);
    ~SettingsStore() override;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    QString filePath() const { return m_filePath; }

    // The stored value, or fallback when the application, section or key does not exist.
    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& fallback) override;
    // True when the value is committed; a failure has been reported to the user.
    bool write(const QString& app, const QString& section, const QString& key,
               const QString& value) override;
    // Writes every entry in one commit: however the program ends, the file then holds all of
    // them or none. True when committed.
    bool writeAll(const QString& app, const std::vector<Entry>& entries) override;
    // Removes every key of the section; true when committed (also when there was none).
    bool removeSection(const QString& app, const QString& section);
    // Removes every key of all these sections in one commit.
    bool removeSections(const QString& app, const QStringList& sections) override;
    // The sections of an application, spelled as first written, in the order of creation.
    QStringList sections(const QString& app) override;
    // The sections whose key holds exactly this value (letter case counts in the value), in the
    // order of creation; one indexed lookup however many sections there are.
    QStringList sectionsHolding(const QString& app, const QString& key,
                                const QString& value) override;

    // Without a handler, problems are printed to stderr.
    static void setProblemHandler(ProblemHandler handler);

    // The version of the table layout that this program writes.
    static constexpr int schemaVersion = 2;

private:
    struct Failure;
    class Connection;

    enum class Access { Read, Write };

    template <typename Op> bool run(Access access, Op&& op);
    bool openConnection(Failure& failure);
    static int prepareStatements(Connection& c);
    bool setAside(Failure& failure);
    void report(Access access, const Failure& failure);

    QString m_filePath;
    std::unique_ptr<Connection> m_connection;
    bool m_readFailureReported = false;
};
