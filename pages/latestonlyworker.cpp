#include "latestonlyworker.h"

namespace spartiti {

LatestOnlyWorker::LatestOnlyWorker(QObject *parent)
    : QObject(parent)
    , m_generation(std::make_shared<std::atomic<quint64>>(0))
{
    // One thread: choosing files quickly one after another runs the read under way and
    // the last one, not every file passed on the way.
    m_pool.setMaxThreadCount(1);
}

LatestOnlyWorker::~LatestOnlyWorker()
{
    cancel();
    m_pool.waitForDone();
}

} // namespace spartiti
