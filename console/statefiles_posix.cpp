#include "statefiles.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace statefiles {

namespace {

int openLockFile(const std::string &path)
{
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

bool flockRetrying(int fd, int operation)
{
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

} // namespace

Lock::Lock(const std::string &path)
    : m_path(path)
{ }

Lock::~Lock()
{
    if (m_handle >= 0)
        ::close(int(m_handle)); // drops the lock
}

bool Lock::tryLock()
{
    if (m_handle < 0)
        m_handle = openLockFile(m_path);
    m_held = m_handle >= 0 && flockRetrying(int(m_handle), LOCK_EX | LOCK_NB);
    return m_held;
}

bool isLocked(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const bool locked = !flockRetrying(fd, LOCK_SH | LOCK_NB) && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

bool writeDurably(const std::string &path, const std::string &content)
{
    const std::string temporary = path + ".neu";
    const int fd
        = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t written = ::write(fd, content.data() + done, content.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            break;
        done += std::size_t(written);
    }
    const bool ok = done == content.size() && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    const std::size_t slash = path.rfind('/');
    syncFolder(slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1));
    return true;
}

void syncFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

bool moveEntry(const std::string &from, const std::string &to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL) // the file system knows no "no replace"
        return false;
    return ::access(to.c_str(), F_OK) != 0 && errno == ENOENT
        && ::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace statefiles
