// Window "Шаблоны фаз".
#include "config/TemplatesDialog.h"

#include "app/Prompts.h"
#include "config/Templates.h"
#include "config/Directions.h"
#include "config/StringGrid.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm8::TForm8(RingModel &model, QWidget *parent) : QDialog(parent), m_copy(model)
{
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Шаблоны фаз"));
    resize(900, 480);
    auto *layout = new QVBoxLayout(this);

    m_grid = new StringGrid(this);
    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setGridSize(1, MaxTemplates + 1);
    m_grid->setColumnWidth(0, 100);
    for (int c = 1; c <= MaxTemplates; ++c)
        m_grid->setColumnWidth(c, 40);
    m_grid->setFixedText(0, 0, QStringLiteral(" Напр / Фазы"));
    m_grid->setCellColour([this](int row, int column) {
        return Fazas::templateMark(m_copy.block(), column - 1, row - 1) ? QColor(Qt::green)
                                                                        : QColor(Qt::red);
    });
    connect(m_grid, &StringGrid::cellSelected, this, &TForm8::StringGrid1SelectCell);
    layout->addWidget(m_grid, 1);

    auto *buttons = new QHBoxLayout;
    auto *save = new QPushButton(QStringLiteral("Сохранить"), this);
    save->setObjectName(QStringLiteral("Button1"));
    connect(save, &QPushButton::clicked, this, &TForm8::Button1Click);
    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("Button2"));
    connect(close, &QPushButton::clicked, this, &TForm8::Button2Click);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    auto *status = new QLabel(QStringLiteral("Выберите состояние направлений в фазах"), this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setFrameShape(QFrame::Panel);
    status->setFrameShadow(QFrame::Sunken);
    layout->addWidget(status);

    // No button answers Enter unless focused: Enter typed into a time, a cell or a field must not
    // add an entry, set a range or store behind the user's back.
    for (auto *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    connect(&m_copy, &DialogCopy::retaken, this, &TForm8::rebuild);
    rebuild();
}

void TForm8::rebuild()
{
    const ProjectBlock &block = m_copy.block();
    const int count = Napr::directionCount(block);
    m_grid->setGridSize(count + 1, MaxTemplates + 1);
    for (int c = 1; c <= MaxTemplates; ++c)
        m_grid->setFixedText(0, c, QString::number(c));
    for (int r = 1; r <= count; ++r) {
        m_grid->setFixedText(r, 0, QString::number(r));
        for (int c = 1; c <= MaxTemplates; ++c)
            m_grid->setDataCell(r, c, QString(), true, false);
    }
    m_grid->viewport()->update();
}

void TForm8::OpenTemplatesDialog()
{
    m_copy.take();
    rebuild();
    show();
    raise();
    activateWindow();
}

void TForm8::StringGrid1SelectCell(int row, int column)
{
    Fazas::toggleTemplateMark(m_copy.block(), column - 1, row - 1);
    m_grid->viewport()->update();
}

void TForm8::Button1Click()
{
    // Conflicting templates are never stored from here, whatever the answer.
    if (TemplatesConflict(m_copy.block())) {
        (void)askQuestion(this, Fazas::DialogCaption, Fazas::ConflictText,
                          QMessageBox::Yes | QMessageBox::No);
        return;
    }
    m_copy.store(ProjectLayout::Templates, std::size_t(MaxTemplates) * MaxDirections);
}

void TForm8::Button2Click()
{
    hide();
}
