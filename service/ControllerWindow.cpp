// Window "ДК".
#include "service/ControllerWindow.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm10::TForm10(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("ДК"));
    resize(640, 480);
    auto *layout = new QVBoxLayout(this);
    m_body = new QVBoxLayout;
    layout->addLayout(m_body, 1);

    auto *bottom = new QHBoxLayout;
    m_status = new QLineEdit(this);
    m_status->setObjectName(QStringLiteral("EditStatus"));
    bottom->addWidget(m_status, 1);
    auto *ok = new QPushButton(QStringLiteral("ОК"), this);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    connect(ok, &QPushButton::clicked, this, &TForm10::ButtonOKClick);
    bottom->addWidget(ok);
    layout->addLayout(bottom);
}

QString TForm10::statusText() const
{
    return m_status->text();
}

void TForm10::setStatusText(const QString &text)
{
    m_status->setText(text);
}

void TForm10::ButtonOKClick()
{
    hide();
}
