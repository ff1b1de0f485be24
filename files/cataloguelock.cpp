#include "cataloguelock.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utime.h>

namespace spartiti {

namespace {

bool processRuns(qint64 pid)
{
    return pid > 0 && pid <= INT_MAX && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace

CatalogueLock::CatalogueLock(const QString &path)
    : m_path(path)
{
    m_contents = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
        + QCoreApplication::applicationName().toUtf8() + '\n' + hostName().toUtf8() + '\n';
}

CatalogueLock::~CatalogueLock()
{
    release();
}

QString CatalogueLock::hostName()
{
    return QSysInfo::machineHostName();
}

std::optional<CatalogueLock::Holder> CatalogueLock::read() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> lines = file.read(4096).split('\n');
    Holder holder;
    holder.pid = lines.value(0).trimmed().toLongLong();
    holder.host = QString::fromUtf8(lines.value(2).trimmed());
    holder.since = QFileInfo(m_path).lastModified();
    holder.thisComputer = holder.host.isEmpty() || holder.host == hostName();
    return holder;
}

CatalogueLock::Outcome CatalogueLock::tryLock()
{
    if (m_locked)
        return Outcome::Taken;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const bool written = ::write(fd, m_contents.constData(), size_t(m_contents.size())) == m_contents.size();
            ::close(fd);
            if (!written) {
                ::unlink(QFile::encodeName(m_path).constData());
                return Outcome::Unavailable;
            }
            m_locked = true;
            return Outcome::Taken;
        }
        if (errno != EEXIST)
            return Outcome::Unavailable;
        const std::optional<Holder> holder = read();
        if (!holder)
            return Outcome::Unavailable;
        m_holder = *holder;
        const bool dead = holder->thisComputer ? !processRuns(holder->pid)
                                               : holder->since.secsTo(QDateTime::currentDateTime())
                                                     > StaleAfterMinutes * 60;
        if (!dead || attempt > 0)
            return Outcome::Held;
        // Left by an editor that no longer runs: taken over.
        ::unlink(QFile::encodeName(m_path).constData());
    }
    return Outcome::Held;
}

bool CatalogueLock::isOurs() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) && file.read(4096) == m_contents;
}

void CatalogueLock::refresh()
{
    if (m_locked && isOurs())
        ::utime(QFile::encodeName(m_path).constData(), nullptr);
}

void CatalogueLock::release()
{
    if (!m_locked)
        return;
    m_locked = false;
    if (isOurs())
        ::unlink(QFile::encodeName(m_path).constData());
}

} // namespace spartiti
