#pragma once
// The joined file while it is being written. It is an unnamed file in the destination's
// folder (or, where the file system has no unnamed files, a hidden one removed on every
// failure) that takes the destination's name only once it is complete: a run that fails, is
// cancelled or is killed leaves nothing behind and leaves an existing file untouched.
// A symbolic link as destination is written through to the file it names, even one that
// does not exist yet.

#include <string>

class AtomicOutput {
public:
    AtomicOutput() = default;
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;
    ~AtomicOutput();

    // Where the joined file for `path` would go: `path` itself when nothing is there yet (in an
    // existing folder) or when it is a plain file that may be written; the file a symbolic
    // link leads to, also one not made yet when the folder it would be in exists. False, with the
    // reason in `why`, for a folder, a pipe, a device, a write-protected file or a link to anything
    // but a plain file.
    static bool resolve(const std::string& path, std::string& target, std::string& why);

    // Resolves `path` and opens the file that will take its place.
    bool create(const std::string& path, std::string& why);
    // Open for reading and writing (a crossfade reads back the end of what was written).
    int fd() const { return m_fd; }
    // True while the file being written has no name at all.
    bool unnamed() const { return m_unnamed; }
    // Gives the finished file its name, replacing whatever file had it.
    bool commit(std::string& why);
    // Drops the file being written; the destination stays as it was.
    void abandon();

private:
    // A link (or a chain of links) whose last one leads nowhere yet.
    static bool resolveDangling(const std::string& path, std::string& target, std::string& why);

    int m_fd = -1;
    bool m_unnamed = false;
    std::string m_target;
    std::string m_temp; // the hidden name, when the file has one
    unsigned m_mode = 0;
};
