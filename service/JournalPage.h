// Window "ДК", tab "Журнал".
#pragma once

#include <QWidget>

class InfoService;
class JournalReader;
class QProgressBar;
class QPushButton;
class QTableView;

// The controller's event journal, and the erasing of its whole flash.
class JournalPage : public QWidget
{
    Q_OBJECT
public:
    JournalPage(JournalReader &journal, InfoService &service, QWidget *parent = nullptr);

public slots:
    void Button11Click(); // "Считать журнал"
    void Button10Click(); // "Остановить"
    void Button15Click(); // "Экспорт"
    void Button7Click();  // "Очистить"
    void Button18Click(); // "Стереть FLASH"

private:
    JournalReader &m_journal;
    InfoService &m_service;
    QTableView *m_grid = nullptr;
    QProgressBar *m_progress = nullptr;
};
