#pragma once

// Faults injected from outside the program: a file size limit that makes a write fail
// partway, as a full disk or a quota does, and files or folders changed behind the
// program's back.

#include "testsupport.h"

#include <QtTest>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

namespace faultinjection {

// Lowers this process's file size limit for its lifetime, so that a write past `bytes`
// fails with EFBIG (SIGXFSZ is ignored meanwhile).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = std::min(bytes, m_saved.rlim_max);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_saved{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

// Changes `path` into `into`: "" removes it, "folder" (with a file inside), "file", "-> target"
// (a symbolic link), "read-only" or "unreadable". Root ignores the permission bits.
inline void changeBehindTheBack(const QString &path, const QString &into)
{
    if (into == QLatin1String("read-only") || into == QLatin1String("unreadable")) {
        QVERIFY(QFile::setPermissions(path, into == QLatin1String("unreadable")
                                                ? QFileDevice::WriteOwner
                                                : QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        return;
    }
    QVERIFY(QFileInfo(path).isDir() ? QDir(path).removeRecursively() : QFile::remove(path));
    if (into == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(path));
        testsupport::writeFile(path + QStringLiteral("/dentro.txt"), "non toccare");
    } else if (into == QLatin1String("file")) {
        testsupport::writeFile(path, "un file, non una cartella");
    } else if (into.startsWith(QLatin1String("-> "))) {
        QVERIFY(QFile::link(into.mid(3), path));
    }
}

// Gives the owner back every permission on `path` after a permission row.
inline void restorePermissions(const QString &path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

} // namespace faultinjection
