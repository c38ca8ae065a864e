// Window "ДК", tab "Загрузка/Выгрузка".
#include "service/TransferPage.h"

#include "link/ProjectTransfer.h"
#include "ui/Controls.h"
#include "ui/Prompts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
QPlainTextEdit *logView(QWidget *parent, const char *name, int lines)
{
    auto *log = named(new QPlainTextEdit(parent), name);
    log->setReadOnly(true);
    log->setMaximumBlockCount(lines);
    log->setLineWrapMode(QPlainTextEdit::NoWrap);
    return log;
}
} // namespace

TransferPage::TransferPage(ProjectTransfer &transfer, QWidget *parent)
    : QWidget(parent), m_transfer(transfer)
{
    auto *layout = new QVBoxLayout(this);
    auto *buttons = new QHBoxLayout;
    m_upload = named(new QPushButton(ProjectTransfer::kUploadCaption, this), "Button3");
    m_upload->setAutoDefault(false);
    connect(m_upload, &QPushButton::clicked, this, &TransferPage::Button3Click);
    m_download = named(new QPushButton(ProjectTransfer::kDownloadCaption, this), "Button2");
    m_download->setAutoDefault(false);
    connect(m_download, &QPushButton::clicked, this, &TransferPage::Button2Click);
    // Both buttons keep one width whatever their caption, so the row does not jump.
    const int width = std::max(m_upload->sizeHint().width(), m_download->sizeHint().width());
    m_upload->setMinimumWidth(width);
    m_download->setMinimumWidth(width);
    buttons->addWidget(m_upload);
    buttons->addWidget(m_download);
    m_transferLabel = named(new QLabel(this), "Label1");
    buttons->addWidget(m_transferLabel, 1);
    layout->addLayout(buttons);

    m_verify =
        named(new QCheckBox(QStringLiteral("Проверить после загрузки"), this), "CheckBoxVerify");
    m_verify->setChecked(m_transfer.verifyAfterUpload());
    connect(m_verify, &QCheckBox::toggled, this,
            [this](bool on) { m_transfer.setVerifyAfterUpload(on); });
    layout->addWidget(m_verify);

    m_progress = named(new QProgressBar(this), "ProgressBar2");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progress);

    // What happened, step by step and packet by packet.
    auto *logs = new QSplitter(Qt::Horizontal, this);
    const auto titled = [&](const QString &title, QPlainTextEdit *log) {
        auto *box = new QGroupBox(title, logs);
        auto *inner = new QVBoxLayout(box);
        inner->setContentsMargins(4, 4, 4, 4);
        inner->addWidget(log);
        logs->addWidget(box);
    };
    m_statusLog = logView(this, "MemoStatus", 2000);
    m_packetLog = logView(this, "MemoPackets", 5000);
    titled(QStringLiteral("Ход операции"), m_statusLog);
    titled(QStringLiteral("Пакеты"), m_packetLog);
    logs->setStretchFactor(0, 3);
    logs->setStretchFactor(1, 2);
    layout->addWidget(logs, 1);

    m_statusLines = std::make_unique<LogBatch>(*m_statusLog);
    m_packetLines = std::make_unique<LogBatch>(*m_packetLog);
    m_frame.setSingleShot(true);
    m_frame.setInterval(FrameMs);
    connect(&m_frame, &QTimer::timeout, this, &TransferPage::showFrame);

    connect(&m_transfer, &ProjectTransfer::statusCleared, this, [this] {
        markProgressFailed(false);
        m_statusLines->clear();
    });
    connect(&m_transfer, &ProjectTransfer::busyChanged, this, &TransferPage::showTransferState);
    connect(&m_transfer, &ProjectTransfer::progressChanged, this, [this](int percent) {
        m_percent = percent;
        queueFrame();
    });
    connect(&m_transfer, &ProjectTransfer::labelChanged, m_transferLabel, &QLabel::setText);
    connect(&m_transfer, &ProjectTransfer::statusLogged, this, [this](const QString &line) {
        m_statusLines->append(line);
        queueFrame();
    });
    connect(&m_transfer, &ProjectTransfer::packetLogged, this, [this](const QString &line) {
        m_packetLines->append(line);
        queueFrame();
    });
    showTransferState();
}

void TransferPage::Button3Click()
{
    if (m_transfer.uploadBusy())
        m_transfer.cancel();
    else
        runTransfer(true);
}

void TransferPage::Button2Click()
{
    if (m_transfer.downloadBusy())
        m_transfer.cancel();
    else
        runTransfer(false);
}

QCoro::Task<void> TransferPage::runTransfer(bool upload)
{
    const QPointer<TransferPage> self(this);
    // Two awaits rather than one of a conditional: GCC 12 mishandles a task temporary chosen
    // by ?: inside co_await.
    TransferResult result;
    if (upload)
        result = co_await m_transfer.upload();
    else
        result = co_await m_transfer.download();
    if (self) {
        // The last lines and the full bar are on screen before the message box covers them.
        showFrame();
        showTransferResult(result);
    }
}

void TransferPage::showTransferResult(const TransferResult &result)
{
    using Cause = TransferResult::Cause;
    // A project stopped before anything was sent leaves the bar where it was.
    const bool sentSomething = result.cause != Cause::RefusedByCheck &&
                               result.cause != Cause::Declined &&
                               result.outcome != TransferResult::Outcome::NotStarted;
    if (sentSomething && result.outcome == TransferResult::Outcome::Failed)
        markProgressFailed(true);
    if (result.caption.isEmpty())
        return;
    const QMessageBox::Icon icon =
        result.severity == TransferResult::Severity::Error     ? QMessageBox::Critical
        : result.severity == TransferResult::Severity::Warning ? QMessageBox::Warning
                                                               : QMessageBox::Information;
    showMessage(nullptr, result.caption, result.message, icon);
}

void TransferPage::markProgressFailed(bool failed)
{
    if (failed == m_progress->property("failed").toBool())
        return;
    m_progress->setProperty("failed", failed);
    m_progress->setFormat(failed ? QStringLiteral("Сбой: %p%") : QStringLiteral("%p%"));
    QPalette palette = m_progress->parentWidget()->palette();
    if (failed)
        palette.setColor(QPalette::Highlight, QColor(0xc0, 0x20, 0x20));
    m_progress->setPalette(palette);
}

void TransferPage::showTransferState()
{
    showFrame();
    const bool up = m_transfer.uploadBusy();
    const bool down = m_transfer.downloadBusy();
    // The tail of a cancelled transfer still holds the link for one command: neither button
    // starts another until it has let go.
    const bool winding = !m_transfer.busy() && m_transfer.running();
    m_upload->setText(up ? ProjectTransfer::kCancelCaption : ProjectTransfer::kUploadCaption);
    m_download->setText(down ? ProjectTransfer::kCancelCaption : ProjectTransfer::kDownloadCaption);
    m_upload->setEnabled(!down && !winding);
    m_download->setEnabled(!up && !winding);
}

void TransferPage::queueFrame()
{
    if (!m_frame.isActive())
        m_frame.start();
}

void TransferPage::showFrame()
{
    m_frame.stop();
    m_statusLines->flush();
    m_packetLines->flush();
    if (m_progress->value() != m_percent) {
        // The bar paints itself at once whenever its text changes; held back, it is painted
        // with the logs, in the frame's one pass.
        m_progress->setUpdatesEnabled(false);
        m_progress->setValue(m_percent);
        m_progress->setUpdatesEnabled(true);
    }
}
