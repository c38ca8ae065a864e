#pragma once

#include <QColor>
#include <QWidget>

// The round lamp drawn at the head of a binding panel.
class Lamp : public QWidget
{
    Q_OBJECT
public:
    explicit Lamp(QWidget *parent = nullptr);

    [[nodiscard]] QColor colour() const { return m_colour; }
    void setColour(const QColor &colour);
    [[nodiscard]] QSize sizeHint() const override { return {28, 28}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour = Qt::white;
};
