#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <vector>

// Files saved together, as a backup saves a whole site. Each file's bytes go
// to a temporary file beside it as soon as they are known; commit() brings
// them all to the disk with one sync of their file system instead of one per
// file, only then renames each into place, and syncs the directories. So a
// file holds either what it held before or all of its new bytes, also after
// a crash, and every file commit() reports saved is on the disk under its name
// when it returns. A file that exists keeps its permissions; a device or a
// pipe is written to as it is. add() may be called from several threads.
class SaveBatch
{
public:
    // Temporary files held open at most; add() commits them when they are this many.
    static constexpr int MaxPending = 64;

    SaveBatch() = default;
    // Whatever was not committed is discarded: the targets stay as they were.
    ~SaveBatch();
    SaveBatch(const SaveBatch &) = delete;
    SaveBatch &operator=(const SaveBatch &) = delete;

    // Writes `bytes` to a temporary file for `path`; false, leaving nothing
    // behind, when they could not all be written.
    bool add(const QString &path, const QByteArray &bytes);

    // Puts every file added so far in place; returns the paths, as given to
    // add(), that could not be (their targets stay as they were, unless only
    // the final sync of the directory failed).
    QStringList commit();

private:
    struct Pending {
        QString path; // as given
        QByteArray target; // the file replaced, symbolic links followed
        QByteArray directory;
        QByteArray temporary; // empty while the file has no name
        int fd = -1;
        bool replaces = false; // the target existed when the file was added
    };

    void commitLocked();
    static void discard(Pending &file);

    QMutex m_mutex;
    std::vector<Pending> m_pending;
    QStringList m_failed;
};
