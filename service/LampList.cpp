// Window "ДК", tab "Состояние".
#include "service/LampList.h"

#include "config/Directions.h"

#include <QPainter>
#include <QPixmap>

namespace {
constexpr int kLampSize = 20;

const QColor kRed(220, 30, 30);
const QColor kYellow(245, 190, 0);
const QColor kGreen(20, 170, 40);
const QColor kDark(150, 150, 150);
} // namespace

LampList::LampList(QWidget *parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("ListLamps"));
    setSelectionMode(QAbstractItemView::NoSelection);
    setIconSize({kLampSize, kLampSize});
    // Room for the longest type name next to its lamp.
    setMinimumWidth(220);
}

QIcon LampList::lampIcon(LiveLamps::Lamp lamp)
{
    using LiveLamps::Lamp;
    QPixmap pixmap(kLampSize, kLampSize);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 1));
        const QRectF round(1, 1, kLampSize - 2, kLampSize - 2);
        if (lamp == Lamp::RedYellow) {
            // Both halves lit, red above yellow as on the signal head.
            painter.setBrush(kYellow);
            painter.drawEllipse(round);
            painter.setBrush(kRed);
            painter.drawChord(round, 0, 180 * 16);
        } else {
            painter.setBrush(lamp == Lamp::Red      ? kRed
                             : lamp == Lamp::Yellow ? kYellow
                             : lamp == Lamp::Green  ? kGreen
                                                    : kDark);
            painter.drawEllipse(round);
        }
    }
    // A greyed-out list shows the last lamps it had, faded, not all of them dark.
    QPixmap faded(pixmap.size());
    faded.fill(Qt::transparent);
    {
        QPainter painter(&faded);
        painter.setOpacity(0.4);
        painter.drawPixmap(0, 0, pixmap);
    }
    QIcon icon(pixmap);
    icon.addPixmap(faded, QIcon::Disabled);
    return icon;
}

void LampList::showLamps(const std::vector<LiveLamps::DirectionLamp> &lamps)
{
    // Rows are rewritten in place: a poll every 400 ms must not make the list jump to its top.
    while (count() > int(lamps.size()))
        delete takeItem(count() - 1);
    for (std::size_t i = 0; i < lamps.size(); ++i) {
        const auto &lamp = lamps[i];
        QListWidgetItem *row = item(int(i));
        if (!row) {
            row = new QListWidgetItem;
            addItem(row);
        }
        const QString name = LiveLamps::lampName(lamp.lamp);
        row->setText(QString::number(lamp.number) + QStringLiteral(". ") +
                     Napr::typeName(lamp.type));
        row->setIcon(lampIcon(lamp.lamp));
        row->setData(LampRole, int(lamp.lamp));
        row->setData(Qt::AccessibleDescriptionRole, name);
        row->setToolTip(name);
    }
}
