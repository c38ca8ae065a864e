// Window "ДК", tab "Время".
#pragma once

#include <QWidget>

#include <qcoro/qcorotask.h>

class ClockService;
class QDateTimeEdit;
class QLineEdit;

// The controller's clock: read it, set it to the PC's time or to a picked one.
class ClockPage : public QWidget
{
    Q_OBJECT
public:
    static const QString kTimeFormat;
    static const QString kDateFormat;

    ClockPage(ClockService &service, QWidget *parent = nullptr);

public slots:
    void Button9Click();  // "Посмотреть время"
    void Button8Click();  // "Синхронизовать с ПК"
    void Button16Click(); // "<-----Установить выбранное"
    void Button19Click(); // "Время<-->Дата"

private:
    QCoro::Task<void> showTime();

    ClockService &m_service;
    QLineEdit *m_time = nullptr;
    QDateTimeEdit *m_picker = nullptr;
};
