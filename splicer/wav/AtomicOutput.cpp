#include "wav/AtomicOutput.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderOf(const std::string& path) {
    const std::filesystem::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

std::string nameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a pipe";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    return "not a plain file";
}

unsigned newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Ctrl+C, a closed terminal or a polite kill between linking the finished file under its
// hidden name and renaming it would leave that name behind: they wait until both are done.
class TerminationSignalsHeld {
public:
    TerminationSignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
            sigaddset(&held, s);
        }
        pthread_sigmask(SIG_BLOCK, &held, &m_previous);
    }
    ~TerminationSignalsHeld() { pthread_sigmask(SIG_SETMASK, &m_previous, nullptr); }

private:
    sigset_t m_previous;
};

} // namespace

bool AtomicOutput::resolveDangling(const std::string& path, std::string& target, std::string& why) {
    std::filesystem::path at(path);
    // As many links in a row as the system itself follows.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        const std::filesystem::path to = std::filesystem::read_symlink(at, ec);
        if (ec) {
            break;
        }
        at = to.is_absolute() ? to : at.parent_path() / to;
        struct stat st {};
        if (::lstat(at.c_str(), &st) == 0) {
            if (S_ISLNK(st.st_mode)) {
                continue;
            }
            // It came into being meanwhile: judged as any existing file.
            return resolve(at.string(), target, why);
        }
        if (errno != ENOENT) {
            break;
        }
        struct stat folder {};
        const std::string dir = folderOf(at.string());
        if (::stat(dir.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
            why = "Cannot write " + path + ": it is a symbolic link into the folder " + dir +
                  ", which does not exist";
            return false;
        }
        target = at.lexically_normal().string();
        return true;
    }
    why = path + " is a symbolic link to a file that cannot be reached";
    return false;
}

AtomicOutput::~AtomicOutput() {
    abandon();
}

bool AtomicOutput::resolve(const std::string& path, std::string& target, std::string& why) {
    if (path.empty()) {
        why = "No output file named";
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            why = "Cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
        struct stat folder {};
        const std::string dir = folderOf(path);
        if (::stat(dir.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
            why = "Cannot write " + path + ": the folder " + dir + " does not exist";
            return false;
        }
        target = path;
        return true;
    }
    std::string real = path;
    const bool link = S_ISLNK(st.st_mode);
    if (link) {
        char* resolved = ::realpath(path.c_str(), nullptr);
        if (!resolved && errno == ENOENT) {
            // A link to a file not made yet is written through, as cp and a shell's
            // redirection do, when the folder it points into exists.
            return resolveDangling(path, target, why);
        }
        if (!resolved) {
            why = path + " is a symbolic link to a file that cannot be reached (" +
                  std::strerror(errno) + ")";
            return false;
        }
        real = resolved;
        std::free(resolved);
        if (::stat(real.c_str(), &st) != 0) {
            why = "Cannot write " + real + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!S_ISREG(st.st_mode)) {
        why = link ? path + " is a symbolic link to " + kindOf(st.st_mode) + ", not to a file"
                   : path + " is " + kindOf(st.st_mode) + ", not a file";
        return false;
    }
    // A file whose write permissions were all taken away was protected on purpose, even from
    // a user who could write it anyway.
    if ((st.st_mode & 0222) == 0 || ::access(real.c_str(), W_OK) != 0) {
        why = real + " is write-protected";
        return false;
    }
    target = real;
    return true;
}

bool AtomicOutput::create(const std::string& path, std::string& why) {
    abandon();
    if (!resolve(path, m_target, why)) {
        return false;
    }
    struct stat st {};
    m_mode = ::stat(m_target.c_str(), &st) == 0 ? (st.st_mode & 07777) : newFileMode();
    const std::string dir = folderOf(m_target);
    m_fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd >= 0) {
        m_unnamed = true;
        return true;
    }
    // File systems without unnamed files: a hidden name, removed again on every failure.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        why = "Cannot create a file in " + dir + ": " + std::strerror(errno);
        return false;
    }
    std::string temp = dir + "/." + nameOf(m_target) + ".XXXXXX";
    m_fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (m_fd < 0) {
        why = "Cannot create a file in " + dir + ": " + std::strerror(errno);
        return false;
    }
    m_temp = temp;
    return true;
}

bool AtomicOutput::commit(std::string& why) {
    if (m_fd < 0) {
        why = "No file is being written";
        return false;
    }
    const std::string failure = "Cannot write " + m_target + ": ";
    if (::fchmod(m_fd, m_mode) != 0) {
        why = failure + std::strerror(errno);
        abandon();
        return false;
    }
    TerminationSignalsHeld held;
    if (m_unnamed) {
        const std::string base = folderOf(m_target) + "/." + nameOf(m_target) + ".";
        const auto seed = static_cast<unsigned long>(
            std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid());
        char fdPath[64];
        std::snprintf(fdPath, sizeof fdPath, "/proc/self/fd/%d", m_fd);
        for (unsigned long attempt = 0; attempt < 100 && m_temp.empty(); ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "%06lx", (seed + attempt * 7919) & 0xFFFFFF);
            const std::string name = base + suffix;
            // Linking by descriptor needs a privilege; the descriptor's entry in /proc does not.
            if (::linkat(m_fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ||
                ::linkat(AT_FDCWD, fdPath, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                m_temp = name;
            } else if (errno != EEXIST) {
                break;
            }
        }
        if (m_temp.empty()) {
            why = failure + std::strerror(errno);
            abandon();
            return false;
        }
        m_unnamed = false;
    }
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (closed != 0 || ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        why = failure + std::strerror(errno);
        abandon();
        return false;
    }
    m_temp.clear();
    return true;
}

void AtomicOutput::abandon() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = -1;
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
    }
    m_temp.clear();
    m_unnamed = false;
}
