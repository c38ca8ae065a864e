// Window "ДК", tab "Тестирование".
#include "service/TestPage.h"

#include "service/OutputTest.h"
#include "ui/Controls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QListWidget *choice(QWidget *parent, const char *name, const QStringList &items)
{
    auto *list = named(new QListWidget(parent), name);
    list->addItems(items);
    list->setCurrentRow(0);
    list->setMaximumWidth(70);
    return list;
}
} // namespace

TestPage::TestPage(OutputTest &test, QWidget *parent) : QWidget(parent), m_test(test)
{
    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Статус"), this), 0, 0);
    m_status = named(new QLineEdit(this), "EditTestStatus");
    m_status->setReadOnly(true);
    layout->addWidget(m_status, 1, 0);

    auto *mode = new QGroupBox(QStringLiteral("Тестовый режим"), this);
    auto *modeRow = new QHBoxLayout(mode);
    const auto toggle = [&](const char *name) {
        auto *button = named(new QToolButton(mode), name);
        button->setCheckable(true);
        button->setMinimumWidth(70);
        modeRow->addWidget(button);
        return button;
    };
    m_modeOn = toggle("SpeedButton2");
    m_modeOn->setText(QStringLiteral("ВКЛ"));
    m_modeOff = toggle("SpeedButton5");
    m_modeOff->setText(QStringLiteral("ВЫКЛ"));
    connect(m_modeOn, &QToolButton::clicked, this, &TestPage::SpeedButton2Click);
    connect(m_modeOff, &QToolButton::clicked, this, &TestPage::SpeedButton5Click);
    layout->addWidget(mode, 2, 0);

    layout->addWidget(new QLabel(QStringLiteral("Группа"), this), 0, 1);
    QStringList groups;
    for (int g = 1; g <= OutputTest::Groups; ++g)
        groups.append(QString::number(g));
    m_groups = choice(this, "ListBoxGroup", groups);
    layout->addWidget(m_groups, 1, 1, 3, 1);
    layout->addWidget(new QLabel(QStringLiteral("Канал"), this), 0, 2);
    m_colours = choice(this, "ListBoxColour",
                       {QStringLiteral("К"), QStringLiteral("Ж"), QStringLiteral("З")});
    layout->addWidget(m_colours, 1, 2, 3, 1);

    auto *channel = new QVBoxLayout;
    m_channelOn = named(new QPushButton(QStringLiteral("ВКЛ"), this), "Button4");
    m_channelOff = named(new QPushButton(QStringLiteral("ВЫКЛ"), this), "Button5");
    connect(m_channelOn, &QPushButton::clicked, this, &TestPage::Button4Click);
    connect(m_channelOff, &QPushButton::clicked, this, &TestPage::Button5Click);
    channel->addWidget(m_channelOn);
    channel->addWidget(m_channelOff);
    channel->addStretch(1);
    layout->addLayout(channel, 1, 3, 3, 1);

    layout->addWidget(new QLabel(QStringLiteral("Результаты"), this), 0, 4);
    m_results = named(new QPlainTextEdit(this), "MemoResults");
    m_results->setReadOnly(true);
    layout->addWidget(m_results, 1, 4, 3, 1);
    layout->setColumnStretch(4, 1);
    layout->setRowStretch(3, 1);

    connect(&m_test, &OutputTest::changed, this, &TestPage::showState);
    showState();
}

int TestPage::group() const
{
    return std::max(m_groups->currentRow(), 0) + 1;
}

int TestPage::colour() const
{
    return std::max(m_colours->currentRow(), 0);
}

void TestPage::SpeedButton2Click()
{
    m_test.testOn();
    showState();
}

void TestPage::SpeedButton5Click()
{
    m_test.testOff();
    showState();
}

void TestPage::Button4Click()
{
    m_test.channelOn(group(), static_cast<OutputTest::Colour>(colour()));
}

void TestPage::Button5Click()
{
    m_test.channelOff(group(), static_cast<OutputTest::Colour>(colour()));
}

void TestPage::showState()
{
    m_status->setText(m_test.statusText());
    m_modeOn->setChecked(m_test.testMode());
    m_modeOff->setChecked(!m_test.testMode());
    m_results->setPlainText(m_test.results().join(QLatin1Char('\n')));
}
