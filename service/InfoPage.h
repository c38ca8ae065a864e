// Window "ДК", tab "Информация о ДК".
#pragma once

#include <QWidget>

#include <qcoro/qcorotask.h>

class InfoService;
class QPlainTextEdit;

// The controller's own description of itself, shown as it came.
class InfoPage : public QWidget
{
    Q_OBJECT
public:
    InfoPage(InfoService &service, QWidget *parent = nullptr);

public slots:
    void Button17Click(); // "Прочитать"

private:
    QCoro::Task<void> read();

    InfoService &m_service;
    QPlainTextEdit *m_info = nullptr;
};
