#pragma once

// While one lives, the sync of every file written waits until the test releases it, so that
// an attach's copy is still running while the test does something else; a folder's sync is
// let through. At the end the held syncs go, the attach is waited for, the real sync is back.

#include "atomicfile.h"
#include "cataloguedocument.h"

#include <QSemaphore>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

class HeldSync
{
public:
    explicit HeldSync(spartiti::CatalogueDocument &document) : m_document(document) { spartiti::syncFile = held; }
    ~HeldSync()
    {
        gate().release(100);
        if (!QTest::qWaitFor([this] { return !m_document.attachRunning(); }, 30000))
            qWarning("the held attach did not end");
        spartiti::syncFile = ::fsync;
        gate().acquire(gate().available());
    }
    void release(int syncs = 1) { gate().release(syncs); }

private:
    static QSemaphore &gate()
    {
        static QSemaphore semaphore;
        return semaphore;
    }
    static int held(int fd)
    {
        struct stat st;
        if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode))
            gate().acquire();
        return ::fsync(fd);
    }
    spartiti::CatalogueDocument &m_document;
};

} // namespace testsupport
