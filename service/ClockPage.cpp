// Window "ДК", tab "Время".
#include "service/ClockPage.h"

#include "service/ClockService.h"
#include "ui/Controls.h"

#include <QDateTimeEdit>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

const QString ClockPage::kTimeFormat = QStringLiteral("HH:mm:ss");
const QString ClockPage::kDateFormat = QStringLiteral("dd.MM.yyyy");

ClockPage::ClockPage(ClockService &service, QWidget *parent) : QWidget(parent), m_service(service)
{
    auto *layout = new QGridLayout(this);
    const auto button = [&](const char *name, const QString &text, void (ClockPage::*slot)()) {
        auto *b = named(new QPushButton(text, this), name);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    m_time = named(new QLineEdit(this), "EditTime");
    m_time->setReadOnly(true);
    m_time->setMinimumWidth(
        m_time->fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000-00:00:00")) + 16);
    layout->addWidget(m_time, 0, 0);
    layout->addWidget(
        button("Button9", QStringLiteral("Посмотреть время"), &ClockPage::Button9Click), 0, 1);
    layout->addWidget(
        button("Button8", QStringLiteral("Синхронизовать с ПК"), &ClockPage::Button8Click), 1, 1);
    m_picker = named(new QDateTimeEdit(QDateTime::currentDateTime(), this), "DateTimePicker1");
    m_picker->setDisplayFormat(kTimeFormat);
    layout->addWidget(m_picker, 2, 0);
    layout->addWidget(
        button("Button16", QStringLiteral("<-----Установить выбранное"), &ClockPage::Button16Click),
        2, 1);
    layout->addWidget(
        button("Button19", QStringLiteral("Время<-->Дата"), &ClockPage::Button19Click), 3, 0);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(4, 1);
}

void ClockPage::Button9Click()
{
    showTime();
}

QCoro::Task<void> ClockPage::showTime()
{
    if (const auto shown = co_await m_service.readTime())
        m_time->setText(shown->trimmed());
}

void ClockPage::Button8Click()
{
    m_service.syncWithPc();
}

void ClockPage::Button16Click()
{
    m_service.setTime(m_picker->dateTime());
}

void ClockPage::Button19Click()
{
    // The same value, its other half made editable.
    const QDateTime value = m_picker->dateTime();
    m_picker->setDisplayFormat(m_picker->displayFormat() == kTimeFormat ? kDateFormat
                                                                        : kTimeFormat);
    m_picker->setDateTime(value);
}
