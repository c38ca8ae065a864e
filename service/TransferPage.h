// Window "ДК", tab "Загрузка/Выгрузка".
#pragma once

#include "service/LogBatch.h"

#include <QTimer>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <memory>

class ProjectTransfer;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
struct TransferResult;

// The project into the controller's flash and back, with what happened step by step and
// packet by packet.
class TransferPage : public QWidget
{
    Q_OBJECT
public:
    // How long lines and progress wait to be shown together: every other screen frame, which
    // still reads as continuous and halves the tab's repaints during a transfer.
    static constexpr int FrameMs = 33;

    TransferPage(ProjectTransfer &transfer, QWidget *parent = nullptr);

public slots:
    void Button3Click(); // "Загрузить проект в ДК", or cancel
    void Button2Click(); // "Выгрузить проект из ДК", or cancel

private:
    QCoro::Task<void> runTransfer(bool upload);
    // The closing message box, and the bar marked when the transfer failed.
    void showTransferResult(const TransferResult &result);
    void markProgressFailed(bool failed);
    void showTransferState();
    // The logs and the bar are brought up to date once a frame, and at once when a transfer
    // starts or ends.
    void queueFrame();
    void showFrame();

    ProjectTransfer &m_transfer;
    QPushButton *m_upload = nullptr;
    QPushButton *m_download = nullptr;
    QCheckBox *m_verify = nullptr;
    QLabel *m_transferLabel = nullptr;
    QProgressBar *m_progress = nullptr;
    QPlainTextEdit *m_statusLog = nullptr;
    QPlainTextEdit *m_packetLog = nullptr;
    std::unique_ptr<LogBatch> m_statusLines;
    std::unique_ptr<LogBatch> m_packetLines;
    int m_percent = 0;
    QTimer m_frame;
};
