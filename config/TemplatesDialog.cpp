// Window "Шаблоны фаз".
#include "config/TemplatesDialog.h"

#include "config/Directions.h"
#include "config/StringGrid.h"
#include "config/Templates.h"
#include "ui/Controls.h"
#include "ui/Prompts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

TForm8::TForm8(RingModel &model, QWidget *parent)
    : EditorDialog(model, "Form8", QStringLiteral("Шаблоны фаз"), parent)
{
    resize(900, 480);
    auto *layout = new QVBoxLayout(this);

    m_grid = named(new StringGrid(this), "StringGrid1");
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setGridSize(1, MaxTemplates + 1);
    m_grid->setColumnWidth(0, 100);
    for (int c = 1; c <= MaxTemplates; ++c)
        m_grid->setColumnWidth(c, 40);
    m_grid->setFixedText(0, 0, QStringLiteral(" Напр / Фазы"));
    m_grid->setCellColour([this](int row, int column) {
        return Fazas::templateMark(copy(), column - 1, row - 1) ? QColor(Qt::green)
                                                                : QColor(Qt::red);
    });
    connect(m_grid, &StringGrid::cellSelected, this, &TForm8::StringGrid1SelectCell);
    layout->addWidget(m_grid, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    addSaveClose(buttons, "Button1", &TForm8::Button1Click, "Button2", &TForm8::Button2Click);
    layout->addLayout(buttons);

    auto *status = named(
        panelLabel(QStringLiteral("Выберите состояние направлений в фазах"), this, QFrame::Sunken),
        "StatusBar1");
    layout->addWidget(status);
    refill();
}

void TForm8::refill()
{
    const ProjectBlock &block = copy();
    const int count = Napr::directionCount(block);
    m_grid->setGridSize(count + 1, MaxTemplates + 1);
    for (int c = 1; c <= MaxTemplates; ++c) {
        m_grid->setFixedText(0, c, QString::number(c));
        QFont font = m_grid->font();
        font.setBold(c == m_shown + 1);
        m_grid->item(0, c)->setFont(font);
    }
    for (int r = 1; r <= count; ++r) {
        m_grid->setFixedText(r, 0, QString::number(r));
        for (int c = 1; c <= MaxTemplates; ++c)
            m_grid->setDataCell(r, c, QString(), true, false);
    }
    m_grid->viewport()->update();
}

void TForm8::showTemplate(int t)
{
    m_shown = clampIndex(t, MaxTemplates);
    refill();
    m_grid->scrollTo(m_grid->model()->index(0, m_shown + 1), QAbstractItemView::PositionAtCenter);
}

void TForm8::StringGrid1SelectCell(int row, int column)
{
    Fazas::toggleTemplateMark(copy(), column - 1, row - 1);
    m_grid->viewport()->update();
}

void TForm8::Button1Click()
{
    // Conflicting templates are never stored from here, whatever the answer.
    if (TemplatesConflict(copy())) {
        (void)askQuestion(this, Fazas::DialogCaption, Fazas::ConflictText,
                          QMessageBox::Yes | QMessageBox::No);
        return;
    }
    storeRange(ProjectLayout::Templates, std::size_t(MaxTemplates) * MaxDirections);
}

void TForm8::Button2Click()
{
    hide();
}
