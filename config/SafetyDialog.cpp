// Window "Параметры безопасности".
#include "config/SafetyDialog.h"

#include "app/Prompts.h"
#include "config/Templates.h"
#include "config/Directions.h"
#include "config/StringGrid.h"

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

TForm7::TForm7(RingModel &model, QWidget *parent) : QDialog(parent), m_copy(model)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Параметры безопасности"));
    resize(640, 520);
    auto *layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(m_pages, 1);

    m_flags = new StringGrid(this);
    m_flags->setObjectName(QStringLiteral("StringGrid1"));
    m_flags->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_flags->setCellColour([this](int row, int column) {
        if (row == column)
            return QColor(Qt::gray);
        return Guard::conflictFlag(m_copy.block(), row - 1, column - 1) ? QColor(Qt::red)
                                                                        : QColor(Qt::white);
    });
    connect(m_flags, &StringGrid::cellSelected, this, &TForm7::StringGrid1SelectCell);
    m_pages->addTab(page(m_flags), QStringLiteral("Флаги матрицы конфликтов"));

    m_times = new StringGrid(this);
    m_times->setObjectName(QStringLiteral("StringGrid2"));
    m_times->setCellColour(
        [](int row, int column) { return row == column ? QColor(Qt::gray) : QColor(); });
    m_pages->addTab(page(m_times), QStringLiteral("Времена матрицы конфликтов"));

    m_pages->addTab(buildTimesPage(), QStringLiteral("Время пром."));
    m_pages->addTab(buildFailuresPage(), QStringLiteral("Аварии"));
    for (int i = 0; i < m_pages->count(); ++i)
        m_pages->widget(i)->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
    m_pages->setCurrentIndex(2);

    auto *buttons = new QHBoxLayout;
    auto *save = new QPushButton(QStringLiteral("Сохранить"), this);
    save->setObjectName(QStringLiteral("Button1"));
    connect(save, &QPushButton::clicked, this, &TForm7::Button1Click);
    auto *close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("Button2"));
    connect(close, &QPushButton::clicked, this, &TForm7::Button2Click);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    // No button answers Enter unless focused: Enter typed into a time, a cell or a field must not
    // add an entry, set a range or store behind the user's back.
    for (auto *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);
    connect(&m_copy, &DialogCopy::retaken, this, &TForm7::LoadSafetyDialog);
    LoadSafetyDialog();
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
    m_fillMode = new QComboBox(page);
    m_fillMode->setObjectName(QStringLiteral("ComboBox1"));
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

void TForm7::LoadSafetyDialog()
{
    const ProjectBlock &block = m_copy.block();
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

void TForm7::OpenSafetyDialog()
{
    m_copy.take();
    LoadSafetyDialog();
    show();
    raise();
    activateWindow();
}

void TForm7::StringGrid1SelectCell(int row, int column)
{
    if (row != column)
        Guard::toggleConflictFlag(m_copy.block(), row - 1, column - 1);
    // What was typed since the last save gives way to the copy.
    LoadSafetyDialog();
}

void TForm7::Button1Click()
{
    if (TemplatesConflict(m_copy.block()) &&
        askQuestion(this, Fazas::DialogCaption, Fazas::ConflictText,
                    QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    m_times->commitEdit();
    ProjectBlock &block = m_copy.block();
    for (int f = 0; f < Guard::FieldCount; ++f)
        (void)Guard::applyField(block, Field(f), m_fields[std::size_t(f)]->text());
    Guard::setFillMode(block, m_fillMode->currentIndex());
    Guard::applyConflictTimes(block, Napr::directionCount(block), [this](int i, int j) {
        const QTableWidgetItem *cell = m_times->item(i + 1, j + 1);
        return cell ? cell->text() : QString();
    });
    m_copy.store(Guard::StoredOffset, Guard::StoredSize);
    LoadSafetyDialog();
}

void TForm7::Button2Click()
{
    hide();
}
