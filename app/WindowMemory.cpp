#include "app/WindowMemory.h"

#include <QApplication>
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

class WindowMemory : public QObject
{
public:
    explicit WindowMemory(QWidget *window) : QObject(window), m_window(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::Show && !m_restored) {
            m_restored = true;
            m_window->restoreGeometry(QSettings().value(keyOf(m_window)).toByteArray());
            fitToScreen(m_window);
        } else if (event->type() == QEvent::Hide && m_restored) {
            QSettings().setValue(keyOf(m_window), m_window->saveGeometry());
        }
        return false;
    }

private:
    QWidget *m_window;
    bool m_restored = false;
};

// The window manager frames a window only once it is mapped; until then the title bar's height
// is unknown, so a window is fitted again when that is likely done.
constexpr int FramedMs = 150;

// Every window and dialog of the program, Qt's own file and print dialogs included: fitted
// when shown, and again when it grows while open (the print dialog's "Параметры >>").
class ScreenKeeper : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::Show && type != QEvent::Resize)
            return false;
        auto *window = qobject_cast<QWidget *>(watched);
        if (!window || !window->isWindow() || !window->isVisible())
            return false;
        const Qt::WindowType kind = window->windowType();
        if (kind != Qt::Window && kind != Qt::Dialog)
            return false; // menus, tooltips and popups place themselves
        if (type == QEvent::Show)
            fitToScreen(window);
        QTimer::singleShot(type == QEvent::Show ? FramedMs : 0, window, [window] {
            if (window->isVisible())
                fitToScreen(window);
        });
        return false;
    }
};

} // namespace

void rememberWindow(QWidget *window)
{
    new WindowMemory(window);
}

void keepWindowsOnScreen(QApplication &app)
{
    app.installEventFilter(new ScreenKeeper(&app));
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
