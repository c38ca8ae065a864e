// Window "ДК", tab "Журнал".
#include "service/JournalPage.h"

#include "service/InfoService.h"
#include "service/JournalReader.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

JournalPage::JournalPage(JournalReader &journal, InfoService &service, QWidget *parent)
    : QWidget(parent), m_journal(journal), m_service(service)
{
    auto *layout = new QHBoxLayout(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("StringGridJournal"));
    m_grid->setModel(&m_journal);
    m_grid->verticalHeader()->hide();
    // Fixed row heights keep a journal of any length cheap to scroll.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 4);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->setColumnWidth(0, 50);
    m_grid->setColumnWidth(1, 90);
    m_grid->setColumnWidth(2, 70);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setWordWrap(false);
    layout->addWidget(m_grid, 1);

    auto *side = new QVBoxLayout;
    const auto button = [&](const char *name, const QString &text, void (JournalPage::*slot)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, this, slot);
        side->addWidget(b);
        return b;
    };
    button("Button11", QStringLiteral("Считать журнал"), &JournalPage::Button11Click);
    button("Button10", QStringLiteral("Остановить"), &JournalPage::Button10Click);
    button("Button15", QStringLiteral("Экспорт"), &JournalPage::Button15Click);
    button("Button7", QStringLiteral("Очистить"), &JournalPage::Button7Click);
    side->addWidget(new QLabel(QStringLiteral("Читаем"), this));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    side->addWidget(m_progress);
    side->addStretch(1);
    button("Button18", QStringLiteral("Стереть FLASH"), &JournalPage::Button18Click);
    layout->addLayout(side);

    connect(&m_journal, &JournalReader::progressChanged, m_progress, &QProgressBar::setValue);
}

void JournalPage::Button11Click()
{
    m_journal.read();
}

void JournalPage::Button10Click()
{
    m_journal.stop();
}

void JournalPage::Button15Click()
{
    m_journal.exportTo(JournalReader::kExportFile);
}

void JournalPage::Button7Click()
{
    m_journal.erase();
}

void JournalPage::Button18Click()
{
    m_service.eraseFlash();
}
