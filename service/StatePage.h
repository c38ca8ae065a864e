// Window "ДК", tab "Состояние".
#pragma once

#include "service/StateMonitor.h"

#include <QWidget>

class LampList;
class QLabel;
class QListWidget;
class QSlider;
class QToolButton;
class RingModel;

// The running controller's state, ring by ring, and what its outputs mean in the open project.
class StatePage : public QWidget
{
    Q_OBJECT
public:
    StatePage(StateMonitor &monitor, RingModel &model, QWidget *parent = nullptr);

    // "Следить" goes up and no further poll starts.
    void StopMonitor();
    // Polls would go out between the packets of a transfer.
    void setWatchEnabled(bool enabled);
    // The window was opened again.
    void windowShown();

public slots:
    void SpeedButton1Click(bool down); // "Следить"
    void TrackBar1Change(int value);   // "Кольцо"

private:
    void showDisplay(const MonitorDisplay &display);
    // The lamps of the ring on the slider, from the last poll and the open project.
    void showLamps();

    StateMonitor &m_monitor;
    RingModel &m_model;
    QToolButton *m_watch = nullptr;
    QSlider *m_ringBar = nullptr;
    QLabel *m_ringPanel = nullptr;
    QWidget *m_values = nullptr;
    QLabel *m_mode = nullptr;
    QLabel *m_program = nullptr;
    QLabel *m_singlePhase = nullptr;
    QLabel *m_programPhase = nullptr;
    QLabel *m_specialProgram = nullptr;
    QLabel *m_source = nullptr;
    QListWidget *m_red = nullptr;
    QListWidget *m_yellow = nullptr;
    QListWidget *m_green = nullptr;
    LampList *m_lamps = nullptr;
    QLabel *m_projectCheck = nullptr;
    MonitorDisplay m_display;
};
