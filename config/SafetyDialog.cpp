// Window "Параметры безопасности".
#include "config/SafetyDialog.h"

#include "config/Directions.h"
#include "config/StringGrid.h"
#include "config/Templates.h"
#include "ui/Controls.h"
#include "ui/Prompts.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using Guard::Field;

namespace {

QWidget *page(QWidget *content)
{
    auto *sheet = new QWidget;
    auto *layout = new QVBoxLayout(sheet);
    layout->addWidget(content);
    return sheet;
}

} // namespace

TForm7::TForm7(RingModel &model, QWidget *parent)
    : EditorDialog(model, "Form7", QStringLiteral("Параметры безопасности"), parent)
{
    resize(640, 520);
    auto *layout = new QVBoxLayout(this);
    m_pages = named(new QTabWidget(this), "PageControl1");
    // A larger theme font must not cut or hide a tab's name: the window grows to show them all.
    m_pages->setElideMode(Qt::ElideNone);
    m_pages->setUsesScrollButtons(false);
    layout->addWidget(m_pages, 1);

    m_flags = named(new StringGrid(this), "StringGrid1");
    m_flags->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_flags->setCellColour([this](int row, int column) {
        if (row == column)
            return QColor(Qt::gray);
        return Guard::conflictFlag(copy(), row - 1, column - 1) ? QColor(Qt::red)
                                                                : QColor(Qt::white);
    });
    connect(m_flags, &StringGrid::cellSelected, this, &TForm7::StringGrid1SelectCell);
    m_pages->addTab(page(m_flags), QStringLiteral("Флаги матрицы конфликтов"));

    m_times = named(new StringGrid(this), "StringGrid2");
    m_times->setCellColour(
        [](int row, int column) { return row == column ? QColor(Qt::gray) : QColor(); });
    m_pages->addTab(page(m_times), QStringLiteral("Времена матрицы конфликтов"));

    m_pages->addTab(buildTimesPage(), QStringLiteral("Время пром."));
    m_pages->addTab(buildFailuresPage(), QStringLiteral("Аварии"));
    for (int i = 0; i < m_pages->count(); ++i)
        m_pages->widget(i)->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
    m_pages->setCurrentIndex(2);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    addSaveClose(buttons, "Button1", &TForm7::Button1Click, "Button2", &TForm7::Button2Click);
    layout->addLayout(buttons);
    refill();
}

QLineEdit *TForm7::numberField(int index)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("Edit%1").arg(index + 1));
    edit->setMaximumWidth(80);
    m_fields[std::size_t(index)] = edit;
    return edit;
}

QWidget *TForm7::buildTimesPage()
{
    auto *page = new QWidget(this);
    auto *form = new QFormLayout(page);
    const std::pair<Field, QString> rows[] = {
        {Field::MinRed, QStringLiteral("Минимальная длительность\nкрасного сигнала, с")},
        {Field::Yellow, QStringLiteral("Длительность желтого, с")},
        {Field::RedYellow, QStringLiteral("Длительность\nкрасно-желтого, с")},
        {Field::GreenBlink, QStringLiteral("Длительность\nзеленого-мигающего, с")},
        {Field::MinGreen, QStringLiteral("Минимальная длительность\nзеленого сигнала, с")},
        {Field::MaxPhaseDuration, QStringLiteral("Максимальная\nдлительность фазы, с")},
    };
    for (const auto &[field, label] : rows)
        form->addRow(label, numberField(int(field)));
    m_fillMode = named(new QComboBox(page), "ComboBox1");
    m_fillMode->addItems({QStringLiteral("Красный"), QStringLiteral("Зеленый")});
    form->addRow(QStringLiteral("Заполнение пром. тактов"), m_fillMode);
    form->addRow(QStringLiteral("Длительность режима КК (Кругом Красный )"),
                 numberField(int(Field::AllRedDuration)));
    return page;
}

QWidget *TForm7::buildFailuresPage()
{
    auto *page = new QWidget(this);
    auto *form = new QFormLayout(page);
    form->addRow(QStringLiteral("Интервал перезапуска ДК, с"),
                 numberField(int(Field::RestartInterval)));
    form->addRow(QStringLiteral("Кол-во попыток перезапуска"),
                 numberField(int(Field::RestartAttempts)));
    form->addRow(QStringLiteral("Время очистки аварий, минут"),
                 numberField(int(Field::FailureClearMinutes)));
    return page;
}

void TForm7::refill()
{
    const ProjectBlock &block = copy();
    const int n = Napr::directionCount(block);
    for (StringGrid *grid : {m_flags, m_times}) {
        grid->setGridSize(n + 1, n + 1);
        grid->setFixedText(0, 0, QString());
        for (int k = 1; k <= n; ++k) {
            grid->setFixedText(0, k, QString::number(k));
            grid->setFixedText(k, 0, QString::number(k));
            grid->setColumnWidth(k, 36);
        }
        grid->setColumnWidth(0, 36);
    }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            m_flags->setDataCell(i + 1, j + 1, QString(), true, false);
            // A time can be chosen and typed only while its flag is set.
            const bool flagged = i != j && Guard::conflictFlag(block, i, j);
            m_times->setDataCell(i + 1, j + 1, Guard::conflictTimeText(block, i, j), flagged,
                                 flagged);
        }
    for (int f = 0; f < Guard::FieldCount; ++f)
        m_fields[std::size_t(f)]->setText(QString::number(Guard::fieldValue(block, Field(f))));
    m_fillMode->setCurrentIndex(Guard::fillMode(block) == 1 ? 1 : 0);
    m_flags->viewport()->update();
    m_times->viewport()->update();
}

void TForm7::StringGrid1SelectCell(int row, int column)
{
    if (row != column)
        Guard::toggleConflictFlag(copy(), row - 1, column - 1);
    // What was typed since the last save gives way to the copy.
    refill();
}

void TForm7::Button1Click()
{
    if (TemplatesConflict(copy()) &&
        askQuestion(this, Fazas::DialogCaption, Fazas::ConflictText,
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    m_times->commitEdit();
    ProjectBlock &block = copy();
    for (int f = 0; f < Guard::FieldCount; ++f)
        (void)Guard::applyField(block, Field(f), m_fields[std::size_t(f)]->text());
    Guard::setFillMode(block, m_fillMode->currentIndex());
    Guard::applyConflictTimes(block, Napr::directionCount(block), [this](int i, int j) {
        const QTableWidgetItem *cell = m_times->item(i + 1, j + 1);
        return cell ? cell->text() : QString();
    });
    storeRange(Guard::StoredOffset, Guard::StoredSize);
    refill();
}

void TForm7::Button2Click()
{
    hide();
}

void TForm7::showPage(Page page)
{
    m_pages->setCurrentIndex(int(page));
}

TForm7::Page TForm7::shownPage() const
{
    return Page(m_pages->currentIndex());
}
