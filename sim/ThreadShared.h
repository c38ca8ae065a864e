#pragma once

#include <QSocketNotifier>

#include <memory>

// One object per thread for all the thread's users (a process's virtual controllers), made by
// the first and gone with the last, around a descriptor the thread's event loop watches. The
// last user may go while the object handles its own descriptor: it is then not deleted inside
// that signal. T befriends ThreadShared<T>, which makes and deletes it.
template <typename T> class ThreadShared
{
public:
    ThreadShared(const ThreadShared &) = delete;
    ThreadShared &operator=(const ThreadShared &) = delete;

    // The thread's object, with one more user.
    [[nodiscard]] static T *acquire()
    {
        if (!s_one)
            s_one = new T;
        ++s_one->m_users;
        return s_one;
    }

    void release()
    {
        if (--m_users > 0)
            return;
        s_one = nullptr;
        if (m_handling) {
            // It watches nothing meanwhile.
            m_notifier->setEnabled(false);
            m_notifier.release()->deleteLater();
        }
        delete static_cast<T *>(this);
    }

protected:
    ThreadShared() = default;
    ~ThreadShared() = default;

    // `handle` runs whenever `fd` is readable, with the object held through it: what it runs
    // may drop the last other user.
    void watchReadable(int fd, void (T::*handle)())
    {
        m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this, handle] {
                             ++m_users;
                             m_handling = true;
                             (static_cast<T *>(this)->*handle)();
                             if (m_users == 1) {
                                 release();
                                 return;
                             }
                             m_handling = false;
                             --m_users;
                         });
    }
    // Called first by T's destructor, before it closes the descriptor.
    void stopWatching() { m_notifier.reset(); }

private:
    static thread_local T *s_one;
    int m_users = 0;
    bool m_handling = false; // inside the handler
    std::unique_ptr<QSocketNotifier> m_notifier;
};

template <typename T> thread_local T *ThreadShared<T>::s_one = nullptr;
