// Window "Проект".
#include "app/ProjectSettingsDialog.h"

#include "app/MainWindow.h"
#include "app/ProjectSettings.h"
#include "link/Connection.h"
#include "link/SerialDevice.h"
#include "ui/Controls.h"
#include "ui/Prompts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include <qcoro/qcorotask.h>

namespace {
const QString kBadValue = QStringLiteral("Значение некорректно!");
const QString kBadValueCaption = QStringLiteral("Ошибка данных!");

QSlider *trackBar(const char *name, int from, int to)
{
    auto *bar = named(new QSlider(Qt::Horizontal), name);
    bar->setRange(from, to);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(1);
    bar->setPageStep(1);
    return bar;
}
} // namespace

TForm2::TForm2(TForm1 &main, QWidget *parent)
    : QWidget(parent, Qt::Window), m_main(main), m_communic(main.communic())
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Проект"));
    m_pages = named(new QTabWidget(this), "PageControl1");
    m_pages->addTab(buildGeneralTab(), QStringLiteral("Общие"));
    m_pages->addTab(buildLinkTab(), QStringLiteral("Связь"));
    m_pages->addTab(buildJournalTab(), QStringLiteral("Журнал"));
    m_pages->addTab(buildGpsTab(), QStringLiteral("GPS"));
    m_pages->addTab(buildSyncTab(), QStringLiteral("Синхронизация"));

    auto *save = named(new QPushButton(QStringLiteral("Сохранить")), "Button1");
    auto *close = named(new QPushButton(QStringLiteral("Закрыть")), "Button2");
    connect(save, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(close, &QPushButton::clicked, this, &TForm2::Button2Click);
    // An open dialog shows the project that a save would write over: after an undo, a new
    // project or a ring switch it must show that project, not the one it was filled from.
    connect(&m_main.model(), &RingModel::currentRingReplaced, this, [this] {
        if (isVisible())
            fillProject();
    });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);
    resize(460, 360);
}

QWidget *TForm2::buildGeneralTab()
{
    auto *page = named(new QWidget, "TabSheet1");
    m_memo = named(new QPlainTextEdit, "Memo1");
    connect(m_memo, &QPlainTextEdit::textChanged, this, &TForm2::Memo1Change);
    m_rings = trackBar("TrackBar1", 1, MaxRings);
    m_ringsReadOut = named(new QLabel, "Label2");
    connect(m_rings, &QSlider::valueChanged, this, &TForm2::TrackBar1Change);
    auto *rings = new QHBoxLayout;
    rings->addWidget(m_rings);
    rings->addWidget(m_ringsReadOut);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Описание проекта")));
    layout->addWidget(m_memo);
    layout->addWidget(new QLabel(QStringLiteral("Кол-во колец")));
    layout->addLayout(rings);
    return page;
}

QWidget *TForm2::buildLinkTab()
{
    auto *page = named(new QWidget, "TabSheet2");
    m_usb = named(new QRadioButton(QStringLiteral("USB")), "RadioButton1");
    m_ethernet = named(new QRadioButton(QStringLiteral("Ethernet")), "RadioButton2");
    connect(m_usb, &QRadioButton::clicked, this, &TForm2::RadioButton1Click);
    connect(m_ethernet, &QRadioButton::clicked, this, &TForm2::RadioButton1Click);

    m_ethernetGroup = named(new QGroupBox(QStringLiteral("Настройки")), "GroupBox1");
    m_address = named(new QLineEdit, "MaskEdit1");
    m_address->setInputMask(QStringLiteral("999.999.999.999;_"));
    m_port = named(new QLineEdit, "Edit1");
    m_port->setMaxLength(5);
    m_timeout = named(new QLineEdit, "MaskEdit2");
    m_timeout->setInputMask(QStringLiteral("9999;_"));
    m_timeoutLabel = named(new QLabel(QStringLiteral("Тайм-аут, мс")), "Label7");
    // The exchange keeps its own waits; the stored time-out is carried, not offered.
    m_timeout->hide();
    m_timeoutLabel->hide();
    auto *ethernet = new QGridLayout(m_ethernetGroup);
    ethernet->addWidget(new QLabel(QStringLiteral("IP-адрес")), 0, 0);
    ethernet->addWidget(m_address, 0, 1);
    ethernet->addWidget(new QLabel(QStringLiteral("Порт")), 1, 0);
    ethernet->addWidget(m_port, 1, 1);
    ethernet->addWidget(m_timeoutLabel, 2, 0);
    ethernet->addWidget(m_timeout, 2, 1);

    m_usbGroup = named(new QGroupBox(QStringLiteral("Настройки")), "GroupBox2");
    auto *ports = named(new QGroupBox(QStringLiteral("Выбор порта")), "RadioGroup1");
    m_comPorts = new QButtonGroup(this);
    auto *portGrid = new QGridLayout(ports);
    for (int i = 0; i < 9; ++i) {
        auto *button = new QRadioButton(QStringLiteral("COM%1").arg(i + 1));
        button->setObjectName(QStringLiteral("COM%1").arg(i + 1));
        m_comPorts->addButton(button, i);
        portGrid->addWidget(button, i % 3, i / 3);
    }
    // "COM3" means nothing on Linux by itself: the device it stands for is shown beside the
    // choice, and the ports present below it, so the engineer can tell which number to pick.
    m_portDevice = named(new QLabel, "Label10");
    m_presentPorts = named(new QLabel, "Label11");
    m_portDevice->setWordWrap(true);
    m_presentPorts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(m_comPorts, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            showPortDevice();
    });
    auto *usb = new QVBoxLayout(m_usbGroup);
    auto *choice = new QHBoxLayout;
    choice->addWidget(ports);
    choice->addWidget(m_portDevice, 1);
    usb->addLayout(choice);
    usb->addWidget(m_presentPorts);

    m_test = named(new QPushButton(QStringLiteral("Проверить связь")), "Button3");
    connect(m_test, &QPushButton::clicked, this, &TForm2::Button3Click);

    auto *kind = new QHBoxLayout;
    kind->addWidget(m_usb);
    kind->addWidget(m_ethernet);
    kind->addStretch();
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Выбор подключения:")));
    layout->addLayout(kind);
    layout->addWidget(m_ethernetGroup);
    layout->addWidget(m_usbGroup);
    layout->addWidget(m_test, 0, Qt::AlignLeft);
    layout->addStretch();
    return page;
}

QWidget *TForm2::buildJournalTab()
{
    auto *page = named(new QWidget, "TabSheet3");
    auto *group = named(new QGroupBox(QStringLiteral("Источники записей в журнал")), "GroupBox3");
    const std::array<QString, 5> texts = {
        QStringLiteral("Включение питания"), QStringLiteral("Выключение питания"),
        QStringLiteral("Изменение ВХОДОВ"), QStringLiteral("Изменение ФАЗ"),
        QStringLiteral("Аварии")};
    auto *boxes = new QVBoxLayout(group);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        m_journal[i] = new QCheckBox(texts[i]);
        m_journal[i]->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
        boxes->addWidget(m_journal[i]);
    }
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWidget *TForm2::buildGpsTab()
{
    auto *page = named(new QWidget, "TabSheet4");
    auto *group = named(new QGroupBox(QStringLiteral("Настройки сдвига времени ")), "GroupBox4");
    m_gps = trackBar("TrackBar2", -MaxGpsUtcOffset, MaxGpsUtcOffset);
    m_gpsReadOut = named(new QLabel, "Label9");
    connect(m_gps, &QSlider::valueChanged, this, &TForm2::TrackBar2Change);
    auto *row = new QHBoxLayout(group);
    row->addWidget(new QLabel(QStringLiteral("UTC+")));
    row->addWidget(m_gps);
    row->addWidget(m_gpsReadOut);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(group);
    layout->addStretch();
    return page;
}

QWidget *TForm2::buildSyncTab()
{
    auto *page = named(new QWidget, "TabSheet5");
    auto *layout = new QVBoxLayout(page);
    for (int r = 0; r < MaxRings; ++r) {
        m_ringGroups[r] = new QGroupBox(QStringLiteral("Кольцо %1").arg(r + 1));
        m_ringGroups[r]->setObjectName(QStringLiteral("GroupBoxRing%1").arg(r + 1));
        m_sync[r] = new QCheckBox(QStringLiteral("Синхронизация"));
        m_sync[r]->setObjectName(QStringLiteral("CheckBox%1").arg(r + 6));
        m_shift[r] = new QLineEdit;
        m_shift[r]->setObjectName(QStringLiteral("Edit%1").arg(r + 2));
        auto *row = new QHBoxLayout(m_ringGroups[r]);
        row->addWidget(m_sync[r]);
        row->addWidget(new QLabel(QStringLiteral("Сдвиг при синхронизации, c")));
        row->addWidget(m_shift[r]);
        layout->addWidget(m_ringGroups[r]);
    }
    layout->addStretch();
    return page;
}

void TForm2::FormShow()
{
    fill();
    show();
    raise();
    activateWindow();
}

void TForm2::fill()
{
    const LinkSettings &link = m_communic.settings();
    if (QAbstractButton *port = m_comPorts->button(link.portNumber - 1)) {
        port->setChecked(true);
    } else if (QAbstractButton *checked = m_comPorts->checkedButton()) {
        m_comPorts->setExclusive(false);
        checked->setChecked(false);
        m_comPorts->setExclusive(true);
    }
    m_timeout->setText(QStringLiteral("%1").arg(link.timeoutMs, 4, 10, QLatin1Char('0')));
    (link.linkType == 1 ? m_ethernet : m_usb)->setChecked(true);
    m_address->setText(link.addressText());
    m_port->setText(QString::number(link.udpPort));
    showLinkGroups();
    showPortDevice();
    fillProject();
}

void TForm2::fillProject()
{
    const ProjectSettingsValues values = readProjectSettings(m_main.model());
    m_memo->setPlainText(values.description);
    for (std::size_t i = 0; i < m_journal.size(); ++i)
        m_journal[i]->setChecked(values.journal[i]);
    m_gps->setValue(values.gpsOffset);
    TrackBar2Change(m_gps->value());
    m_rings->setValue(values.ringCount);
    TrackBar1Change(m_rings->value());
    for (int r = 0; r < MaxRings; ++r) {
        m_sync[r]->setChecked(values.sync[r]);
        m_shift[r]->setText(values.shiftText[r]);
    }
}

void TForm2::showLinkGroups()
{
    m_usbGroup->setVisible(m_usb->isChecked());
    m_ethernetGroup->setVisible(!m_usb->isChecked());
}

void TForm2::showPortDevice()
{
    // No button checked: a stored port beyond the nine offered, which a save keeps.
    const int checked = m_comPorts->checkedId();
    const QString name =
        checked >= 0 ? QStringLiteral("COM%1").arg(checked + 1) : m_communic.settings().portName();
    const QString device = resolveSerialDevice(name, QDir::currentPath());
    m_portDevice->setText(device.isEmpty() ? name + QStringLiteral(": не найден")
                                           : name + QStringLiteral(" → ") + device);
    const QStringList present = presentSerialPorts();
    m_presentPorts->setText(
        QStringLiteral("Порты в системе: ") +
        (present.isEmpty() ? QStringLiteral("нет") : u'\n' + present.join(u'\n')));
}

void TForm2::RadioButton1Click()
{
    showLinkGroups();
}

void TForm2::TrackBar1Change(int position)
{
    m_ringsReadOut->setText(QString::number(position));
    for (int r = 0; r < MaxRings; ++r)
        m_ringGroups[r]->setVisible(r < position);
}

void TForm2::TrackBar2Change(int position)
{
    m_gpsReadOut->setText(QString::number(position));
}

void TForm2::Memo1Change()
{
    const QString text = m_memo->toPlainText();
    // The memo holds what the description field can: one character a byte in code page 1251.
    constexpr auto limit = qsizetype(ProjectLayout::DescriptionSize);
    if (text.size() > limit)
        m_memo->setPlainText(text.left(limit));
}

void TForm2::Button1Click()
{
    m_communic.link().closeSerial();
    LinkFields fields;
    fields.comIndex = m_comPorts->checkedId();
    fields.timeoutText = m_timeout->text();
    fields.ethernet = m_ethernet->isChecked();
    fields.address = m_address->text();
    fields.portText = m_port->text();
    const LinkFieldsResult result = applyLinkFields(m_communic.settings(), fields);
    m_communic.applySettings();
    if (result == LinkFieldsResult::BadPort) {
        showMessage(this, kBadValueCaption, kBadValue, QMessageBox::Critical);
        return;
    }
    if (!m_communic.saveSettings())
        showMessage(this, QStringLiteral("Ошибка"),
                    QStringLiteral("Не удалось записать файл \"config.str\"!"),
                    QMessageBox::Warning);

    ProjectSettingsValues values;
    values.description = m_memo->toPlainText();
    values.ringCount = m_rings->value();
    for (std::size_t i = 0; i < m_journal.size(); ++i)
        values.journal[i] = m_journal[i]->isChecked();
    values.gpsOffset = m_gps->value();
    for (int r = 0; r < MaxRings; ++r) {
        values.sync[r] = m_sync[r]->isChecked();
        values.shiftText[r] = m_shift[r]->text();
    }
    applyProjectSettings(m_main.model(), values);
    m_main.refreshProgramDisplay();
}

void TForm2::Button2Click()
{
    hide();
}

void TForm2::Button3Click()
{
    // One test at a time: the button waits for the answer of the one running.
    if (m_testing)
        return;
    m_testing = true;
    m_test->setEnabled(false);
    auto test = m_communic.testLink(m_ethernet->isChecked(), m_address->text(), m_port->text(),
                                    m_comPorts->checkedId());
    QCoro::connect(std::move(test), this, [this](Communic::TestResult result) {
        m_testing = false;
        m_test->setEnabled(true);
        switch (result) {
        case Communic::TestResult::InvalidPort:
            showMessage(this, kBadValueCaption, kBadValue, QMessageBox::Critical);
            break;
        case Communic::TestResult::Answered:
            showMessage(this, QStringLiteral("Успешно!"), QStringLiteral("Связь установлена!"));
            break;
        case Communic::TestResult::UdpClosed:
            showMessage(this, QStringLiteral("Ошибка связи!"),
                        QStringLiteral("Связь не проверена: %1.").arg(m_communic.testError()),
                        QMessageBox::Critical);
            break;
        case Communic::TestResult::NoAnswer:
            showMessage(this, QStringLiteral("Ошибка связи!"), QStringLiteral("ДК не отвечает!"),
                        QMessageBox::Critical);
            break;
        case Communic::TestResult::OpenFailed:
            break; // the link has shown its own message
        }
    });
}
