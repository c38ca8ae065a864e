// Window "Экспорт диаграммы".
#include "programs/ExportDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

ExportDialog::ExportDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ExportDialog"));
    setWindowTitle(QStringLiteral("Экспорт диаграммы"));

    auto *which = new QGroupBox(QStringLiteral("Что записать"), this);
    m_current = new QRadioButton(QStringLiteral("Текущая программа"), which);
    m_current->setObjectName(QStringLiteral("RadioCurrent"));
    m_current->setChecked(true);
    m_all = new QRadioButton(QStringLiteral("Все программы кольца"), which);
    m_all->setObjectName(QStringLiteral("RadioAll"));
    auto *whichLayout = new QVBoxLayout(which);
    whichLayout->addWidget(m_current);
    whichLayout->addWidget(m_all);

    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("ComboFormat"));
    m_format->addItem(QStringLiteral("PDF, страница A4 на программу"),
                      int(SheetExport::Format::Pdf));
    m_format->addItem(QStringLiteral("SVG, файл на программу"), int(SheetExport::Format::Svg));
    m_format->addItem(QStringLiteral("PNG, файл на программу"), int(SheetExport::Format::Png));
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Формат"), m_format);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Экспорт"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(which);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

bool ExportDialog::allPrograms() const
{
    return m_all->isChecked();
}

SheetExport::Format ExportDialog::format() const
{
    return static_cast<SheetExport::Format>(m_format->currentData().toInt());
}
