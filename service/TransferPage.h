// Window "ДК", tab "Загрузка/Выгрузка".
#pragma once

#include <QWidget>

#include <qcoro/qcorotask.h>

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

    ProjectTransfer &m_transfer;
    QPushButton *m_upload = nullptr;
    QPushButton *m_download = nullptr;
    QCheckBox *m_verify = nullptr;
    QLabel *m_transferLabel = nullptr;
    QProgressBar *m_progress = nullptr;
    QPlainTextEdit *m_statusLog = nullptr;
    QPlainTextEdit *m_packetLog = nullptr;
};
