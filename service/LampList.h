// Window "ДК", tab "Состояние".
#pragma once

#include "service/LiveLamps.h"

#include <QIcon>
#include <QListWidget>

// The directions of one ring with a round lamp each, as the controller lights them now.
class LampList : public QListWidget
{
    Q_OBJECT
public:
    // The lamp each row shows, for whoever reads the list without its pixels.
    static constexpr int LampRole = Qt::UserRole + 1;

    explicit LampList(QWidget *parent = nullptr);

    void showLamps(const std::vector<LiveLamps::DirectionLamp> &lamps);
    [[nodiscard]] static QIcon lampIcon(LiveLamps::Lamp lamp);
};
