// Window "О программе".
#include "app/AboutBox.h"

#include "app/MainWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm9::TForm9(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(QStringLiteral("О программе"));
    auto *layout = new QVBoxLayout(this);
    auto *name = new QLabel(QStringLiteral("Конфигуратор ВЕЛТ"), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 4);
    name->setFont(bold);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    auto *version = new QLabel(QStringLiteral("Версия %1").arg(QStringLiteral(VELT_VERSION)), this);
    version->setObjectName(QStringLiteral("Label2"));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);
    auto *purpose =
        new QLabel(QStringLiteral("Настройка дорожного контроллера (ДК): проект перекрестка,\n"
                                  "программы, планы, загрузка в ДК и обслуживание."),
                   this);
    purpose->setAlignment(Qt::AlignCenter);
    layout->addWidget(purpose);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    connect(ok, &QPushButton::clicked, this, &QDialog::hide);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}
