// Parked coroutines come back from the event loop, in the order they were woken, a batch at a
// time, and never for an owner that is gone.
#include "link/Resumer.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
// A coroutine that parks once, notes its name when resumed, and may then run a nested loop.
struct Fire
{
    struct promise_type
    {
        Fire get_return_object()
        {
            return {std::coroutine_handle<promise_type>::from_promise(*this)};
        }
        std::suspend_never initial_suspend() noexcept { return {}; }
        std::suspend_never final_suspend() noexcept { return {}; }
        void return_void() {}
        void unhandled_exception() { std::terminate(); }
    };
    std::coroutine_handle<> frame; // left to itself once it has run to its end
};

Fire parkThenNote(Resumer &resumer, QStringList &log, QString name, bool nestLoop = false)
{
    co_await resumer.park();
    log << name;
    if (nestLoop) {
        QEventLoop nested;
        QTimer::singleShot(20, &nested, &QEventLoop::quit);
        nested.exec();
        log << name + QStringLiteral(" back");
    }
}
} // namespace

class TestResumer : public QObject
{
    Q_OBJECT
private slots:
    void resumesInOrderFromTheLoop_data()
    {
        QTest::addColumn<bool>("nestFirst");
        QTest::addColumn<bool>("dropSecond");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("plain") << false << false << QStringList{"a", "b", "c"};
        QTest::newRow("owner gone") << false << true << QStringList{"a", "c"};
        // A modal question inside the first lets the rest of its batch run meanwhile.
        QTest::newRow("nested loop") << true << false << QStringList{"a", "b", "c", "a back"};
    }
    void resumesInOrderFromTheLoop()
    {
        QFETCH(bool, nestFirst);
        QFETCH(bool, dropSecond);
        QFETCH(QStringList, expected);
        QStringList log;
        QObject keep;
        auto doomed = std::make_unique<QObject>();
        Resumer a(&keep), b(dropSecond ? doomed.get() : &keep), c(&keep);
        parkThenNote(a, log, QStringLiteral("a"), nestFirst);
        const Fire second = parkThenNote(b, log, QStringLiteral("b"));
        parkThenNote(c, log, QStringLiteral("c"));
        a.wake();
        b.wake();
        c.wake();
        a.wake(); // once per park
        QVERIFY(log.isEmpty());
        doomed.reset();
        QTRY_COMPARE(log, expected);
        QVERIFY(!a.parked() && !c.parked());
        if (dropSecond)
            second.frame.destroy(); // never resumed, so never ended
    }
};

QTEST_GUILESS_MAIN(TestResumer)
#include "tst_resumer.moc"
