// Window "ДК", tab "Информация о ДК".
#include "service/InfoPage.h"

#include "link/Reply.h"
#include "service/InfoService.h"
#include "ui/Controls.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

InfoPage::InfoPage(InfoService &service, QWidget *parent) : QWidget(parent), m_service(service)
{
    auto *layout = new QVBoxLayout(this);
    m_info = named(new QPlainTextEdit(this), "MemoInfo");
    m_info->setReadOnly(true);
    layout->addWidget(m_info, 1);
    auto *button = named(new QPushButton(QStringLiteral("Прочитать"), this), "Button17");
    connect(button, &QPushButton::clicked, this, &InfoPage::Button17Click);
    layout->addWidget(button, 0, Qt::AlignLeft);
}

void InfoPage::Button17Click()
{
    read();
}

QCoro::Task<void> InfoPage::read()
{
    const auto text = co_await m_service.readInfo();
    if (!text)
        co_return;
    m_info->clear();
    m_info->appendPlainText(withoutLineEnd(*text));
}
