#include "programs/DirectionPanel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

DirectionPanel::DirectionPanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("PanelNapr"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);
    setAutoFillBackground(true);

    m_number = new QLabel(this);
    m_number->setObjectName(QStringLiteral("PanelNaprNumber"));
    m_number->setFrameShape(QFrame::Panel);
    m_number->setFrameShadow(QFrame::Sunken);
    m_number->setMinimumWidth(40);
    m_number->setAlignment(Qt::AlignCenter);
    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("ComboBoxNapr"));
    m_type->addItems({QStringLiteral("Транспортное"), QStringLiteral("Пешеходное"),
                      QStringLiteral("Стрелка"), QStringLiteral("Реверсивное"),
                      QStringLiteral("Трамв-Лево"), QStringLiteral("Трамв-Право"),
                      QStringLiteral("Трамв-Прямо")});
    m_type->setEnabled(false);
    m_ok = new QPushButton(QStringLiteral("ОК"), this);
    m_ok->setObjectName(QStringLiteral("Button4"));
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("Button5"));

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Направление"), this), 0, 0);
    grid->addWidget(m_number, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Тип"), this), 1, 0);
    grid->addWidget(m_type, 1, 1);
    grid->addWidget(m_ok, 2, 0);
    grid->addWidget(m_cancel, 2, 1);
    adjustSize();
    hide();
}

void DirectionPanel::fill(int direction, int type)
{
    m_direction = direction;
    m_number->setText(QString::number(direction + 1));
    m_type->setCurrentIndex(type >= 0 && type < m_type->count() ? type : -1);
}

int DirectionPanel::selectedType() const
{
    return m_type->currentIndex();
}
