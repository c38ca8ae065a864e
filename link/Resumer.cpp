#include "link/Resumer.h"

#include <QPointer>

#include <deque>
#include <memory>

namespace {
class ResumeBatch : public QObject
{
public:
    void add(QObject *context, std::coroutine_handle<> handle)
    {
        m_queue.push_back({context, handle});
        postOnce();
    }

private:
    struct Pending
    {
        QPointer<QObject> context;
        std::coroutine_handle<> handle;
    };

    void postOnce()
    {
        if (m_posted)
            return;
        m_posted = true;
        QMetaObject::invokeMethod(this, &ResumeBatch::run, Qt::QueuedConnection);
    }

    void run()
    {
        m_posted = false;
        for (std::size_t due = m_queue.size(); due > 0 && !m_queue.empty(); --due) {
            const Pending next = m_queue.front();
            m_queue.pop_front();
            // Should this one run a nested event loop (a modal question), the rest go on
            // inside it, as their own events would have.
            if (!m_queue.empty())
                postOnce();
            if (next.context)
                next.handle.resume();
        }
    }

    std::deque<Pending> m_queue;
    bool m_posted = false;
};
} // namespace

void resumeLater(QObject *context, std::coroutine_handle<> handle)
{
    thread_local std::unique_ptr<ResumeBatch> batch;
    if (!batch)
        batch = std::make_unique<ResumeBatch>();
    batch->add(context, handle);
}
