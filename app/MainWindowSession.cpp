// Window "Конфигуратор ВЕЛТ": what it keeps across runs and crashes, and files dropped on it.
#include "app/MainWindow.h"

#include "app/RecoveryCopy.h"
#include "app/WindowMemory.h"
#include "programs/ProgramView.h"
#include "ui/Prompts.h"

#include <QCloseEvent>
#include <QLocale>
#include <QMimeData>
#include <QScrollArea>
#include <QSettings>
#include <QTimer>

namespace {

const QString kGeometryKey = QStringLiteral("mainWindow/geometry");
const QString kZoomKey = QStringLiteral("mainWindow/diagramZoom");
// The copy is written at each applied step; edits that make no step are caught by the timer.
constexpr int kRecoveryIntervalMs = 30000;

QString localFileOf(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls()[0].isLocalFile())
        return {};
    return data->urls()[0].toLocalFile();
}

} // namespace

void TForm1::enableRecovery(const QString &folder)
{
    m_recovery = std::make_unique<RecoveryCopy>(folder);
    connect(&m_model, &RingModel::stepApplied, this, &TForm1::writeRecoveryCopy);
    connect(&m_history, &ProjectHistory::restored, this, &TForm1::writeRecoveryCopy);
    auto *timer = new QTimer(this);
    timer->setInterval(kRecoveryIntervalMs);
    connect(timer, &QTimer::timeout, this, &TForm1::writeRecoveryCopy);
    timer->start();
}

void TForm1::writeRecoveryCopy()
{
    if (!m_recovery)
        return;
    // The step's own modified flag is set after the step is announced.
    QTimer::singleShot(0, this, [this] {
        if (m_model.modified())
            m_recovery->write(m_model);
        else
            m_recovery->remove();
    });
}

void TForm1::offerRecovery()
{
    if (!m_recovery)
        return;
    for (const RecoveryCopy::Orphan &orphan : m_recovery->orphans()) {
        const QString name = orphan.fileName.isEmpty()
                                 ? QStringLiteral("новый проект без имени")
                                 : QStringLiteral("проект \"%1\"").arg(orphan.fileName);
        const auto answer =
            askQuestion(this, QStringLiteral("Восстановление"),
                        QStringLiteral("Найдена несохраненная копия: %1, последнее изменение %2. "
                                       "Восстановить?")
                            .arg(name, QLocale().toString(orphan.edited, QLocale::ShortFormat)),
                        QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes) {
            m_recovery->discard(orphan);
            continue;
        }
        if (!m_recovery->restore(orphan, m_model))
            continue;
        m_history.clear();
        refreshTitle();
        refreshProgramDisplay();
        m_recovery->write(m_model);
        // One project at a time: other copies stay for the next start.
        return;
    }
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!localFileOf(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    const QString path = localFileOf(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // The question must not run inside the drag's own event loop.
    QTimer::singleShot(0, this, [this, path] { openProject(path); });
}

void TForm1::restoreSession()
{
    m_keepsSession = true;
    QSettings settings;
    restoreGeometry(settings.value(kGeometryKey).toByteArray());
    fitToScreen(this);
    if (auto *view = qobject_cast<ProgramView *>(m_scrollBox->widget());
        view && settings.contains(kZoomKey))
        view->setScale(settings.value(kZoomKey).toFloat());
    for (const auto &[which, attached] : m_windows)
        if (attached.window->isWindow() &&
            (which == Window::Settings || which == Window::Controller || which == Window::Console ||
             which == Window::Check || which == Window::Help))
            rememberWindow(attached.window);
}

void TForm1::acceptClose(QCloseEvent *event)
{
    if (m_keepsSession) {
        QSettings settings;
        settings.setValue(kGeometryKey, saveGeometry());
        if (const auto *view = qobject_cast<ProgramView *>(m_scrollBox->widget()))
            settings.setValue(kZoomKey, view->scale());
    }
    if (m_recovery)
        m_recovery->remove();
    event->accept();
}
