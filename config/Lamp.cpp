#include "config/Lamp.h"

#include <QPainter>

Lamp::Lamp(QWidget *parent) : QWidget(parent)
{
    setFixedSize(28, 28);
}

void Lamp::setColour(const QColor &colour)
{
    m_colour = colour;
    update();
}

void Lamp::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_colour);
    painter.drawEllipse(rect().adjusted(2, 2, -2, -2));
}
