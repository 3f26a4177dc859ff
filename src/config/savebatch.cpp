#include "config/savebatch.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRandomGenerator>

#include <cerrno>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Links a target may pass through before it is taken for a loop.
constexpr int MaxLinks = 40;
// Attempts at a temporary name that is not taken yet.
constexpr int NameAttempts = 16;

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

// The file a save replaces: `path` with its symbolic links followed, so that a
// link keeps pointing where it did; empty for a loop.
QString finalTarget(const QString &path)
{
    QString target = QFileInfo(path).absoluteFilePath();
    for (int i = 0; i < MaxLinks; ++i) {
        const QFileInfo info(target);
        if (!info.isSymLink())
            return target;
        target = info.symLinkTarget();
    }
    return QString();
}

QByteArray temporaryName(const QByteArray &target)
{
    return target + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
}

// A file without a name in `directory`, named only once its bytes are on the
// disk; -1 where the file system or the system has no such files.
int unnamedFile(const QByteArray &directory, mode_t mode)
{
    // Naming it later goes through its entry under /proc.
    static const bool canName = ::access("/proc/self/fd", X_OK) == 0;
    return canName ? ::open(directory.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode) : -1;
}

// A named file beside `target` that nobody else has; -1 when none could be made.
int namedFile(const QByteArray &target, mode_t mode, QByteArray &name)
{
    for (int i = 0; i < NameAttempts; ++i) {
        name = temporaryName(target);
        const int fd = ::open(name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Links an unnamed file as `name`; false when the name is taken or cannot be made.
bool linkAs(int fd, const QByteArray &name)
{
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0;
}

// Gives an unnamed file the name `name` beside its target; false when it could not be linked.
bool nameFile(int fd, QByteArray &name, const QByteArray &target)
{
    for (int i = 0; i < NameAttempts; ++i) {
        name = temporaryName(target);
        if (linkAs(fd, name))
            return true;
        if (errno != EEXIST)
            break;
    }
    name.clear();
    return false;
}

bool syncDirectory(const QByteArray &directory)
{
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

SaveBatch::~SaveBatch()
{
    for (Pending &file : m_pending)
        discard(file);
}

bool SaveBatch::add(const QString &path, const QByteArray &bytes)
{
    const QString target = finalTarget(path);
    if (target.isEmpty())
        return false;
    Pending file;
    file.path = path;
    file.target = QFile::encodeName(target);
    file.directory = QFile::encodeName(QFileInfo(target).absolutePath());
    struct stat existing {};
    const bool exists = ::stat(file.target.constData(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        // Renaming a file over a device or a pipe would replace it.
        const int fd = ::open(file.target.constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        const bool whole = fd >= 0 && writeAll(fd, bytes);
        return fd >= 0 && ::close(fd) == 0 && whole;
    }
    if (exists && ::access(file.target.constData(), W_OK) != 0)
        return false;
    // A file that exists keeps its permissions; until they are set nobody else may read the new one.
    const mode_t mode = exists ? 0600 : 0666;
    file.replaces = exists;
    file.fd = unnamedFile(file.directory, mode);
    if (file.fd < 0)
        file.fd = namedFile(file.target, mode, file.temporary);
    if (file.fd < 0)
        return false;
    if (!writeAll(file.fd, bytes) || (exists && ::fchmod(file.fd, existing.st_mode & 0777) != 0)) {
        discard(file);
        return false;
    }
    QMutexLocker lock(&m_mutex);
    m_pending.push_back(file);
    if (int(m_pending.size()) >= MaxPending)
        commitLocked();
    return true;
}

QStringList SaveBatch::commit()
{
    QMutexLocker lock(&m_mutex);
    commitLocked();
    QStringList failed;
    failed.swap(m_failed);
    return failed;
}

void SaveBatch::commitLocked()
{
    // Every file's bytes reach the disk before a name points at them: one sync
    // of each file system that holds some, instead of one per file. Whatever
    // else that file system has to write is written too.
    std::map<dev_t, bool> synced;
    std::map<QByteArray, QStringList> renamed; // directory: the paths put in place there
    for (Pending &file : m_pending) {
        struct stat st {};
        bool ok = ::fstat(file.fd, &st) == 0;
        if (ok) {
            const auto known = synced.find(st.st_dev);
            ok = known != synced.end() ? known->second : (synced[st.st_dev] = ::syncfs(file.fd) == 0);
        }
        // A new file takes its name at once; one that replaces a file, or whose
        // name was taken meanwhile, is renamed over it.
        const bool placed = ok && file.temporary.isEmpty() && !file.replaces && linkAs(file.fd, file.target);
        ok = placed
             || (ok && (!file.temporary.isEmpty() || nameFile(file.fd, file.temporary, file.target))
                 && ::rename(file.temporary.constData(), file.target.constData()) == 0);
        if (!ok) {
            m_failed << file.path;
            discard(file);
            continue;
        }
        ::close(file.fd);
        renamed[file.directory] << file.path;
    }
    m_pending.clear();
    // The new names reach the disk as well before the files count as saved.
    for (const auto &[directory, paths] : renamed) {
        if (!syncDirectory(directory))
            m_failed << paths;
    }
}

void SaveBatch::discard(Pending &file)
{
    if (file.fd >= 0)
        ::close(file.fd);
    file.fd = -1;
    if (!file.temporary.isEmpty())
        ::unlink(file.temporary.constData());
    file.temporary.clear();
}
