// Window "ДК", tab "Тестирование".
#pragma once

#include <QWidget>

class OutputTest;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

// Switching the controller's outputs by hand. The two mode toggles always show the mode the
// status field names: exactly one of them is down.
class TestPage : public QWidget
{
    Q_OBJECT
public:
    TestPage(OutputTest &test, QWidget *parent = nullptr);

public slots:
    void SpeedButton2Click(); // test mode "ВКЛ"
    void SpeedButton5Click(); // test mode "ВЫКЛ"
    void Button4Click();      // channel "ВКЛ"
    void Button5Click();      // channel "ВЫКЛ"

private:
    void showState();
    [[nodiscard]] int group() const;
    [[nodiscard]] int colour() const;

    OutputTest &m_test;
    QLineEdit *m_status = nullptr;
    QListWidget *m_groups = nullptr;
    QListWidget *m_colours = nullptr;
    QToolButton *m_modeOn = nullptr;
    QToolButton *m_modeOff = nullptr;
    QPushButton *m_channelOn = nullptr;
    QPushButton *m_channelOff = nullptr;
    QPlainTextEdit *m_results = nullptr;
};
