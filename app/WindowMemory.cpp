#include "app/WindowMemory.h"

#include <QEvent>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {

QString keyOf(const QWidget *window)
{
    return QStringLiteral("windows/") + window->objectName();
}

// The window manager frames a window only once it is mapped; until then the title bar's height
// is unknown, so the window is fitted again when that is likely done.
constexpr int FramedMs = 150;

class WindowMemory : public QObject
{
public:
    WindowMemory(QWidget *window, bool remember)
        : QObject(window), m_window(window), m_remember(remember)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::Show) {
            if (m_remember && !m_restored) {
                m_restored = true;
                m_window->restoreGeometry(QSettings().value(keyOf(m_window)).toByteArray());
            }
            fitToScreen(m_window);
            QTimer::singleShot(FramedMs, m_window, [window = m_window] {
                if (window->isVisible())
                    fitToScreen(window);
            });
        } else if (event->type() == QEvent::Hide && m_restored) {
            QSettings().setValue(keyOf(m_window), m_window->saveGeometry());
        }
        return false;
    }

private:
    QWidget *m_window;
    const bool m_remember;
    bool m_restored = false;
};

} // namespace

void rememberWindow(QWidget *window)
{
    new WindowMemory(window, true);
}

void keepOnScreen(QWidget *window)
{
    new WindowMemory(window, false);
}

void closeOnEscape(QWidget *window)
{
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

void fitToScreen(QWidget *window)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = window->frameGeometry();
    const QSize decoration = frame.size() - window->size();
    const QSize fitted = window->size().boundedTo(area.size() - decoration);
    if (fitted != window->size())
        window->resize(fitted);
    frame = window->frameGeometry();
    if (!area.contains(frame))
        window->move(
            std::clamp(frame.x(), area.left(), std::max(area.left(), area.right() - frame.width())),
            std::clamp(frame.y(), area.top(),
                       std::max(area.top(), area.bottom() - frame.height())));
}
