// Window "Проект".
#pragma once

#include <QWidget>

#include <array>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class TForm1;
class Communic;

// "Проект": the project-wide settings, the link settings and the link test.
class TForm2 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm2(TForm1 &main, QWidget *parent = nullptr);

    // Fills every control from the model and the link settings, then shows the dialog.
    void FormShow();
    [[nodiscard]] bool linkTestRunning() const { return m_testing; }

public slots:
    void Button1Click(); // "Сохранить"
    void Button2Click(); // "Закрыть"
    void Button3Click(); // "Проверить связь"
    void RadioButton1Click();
    void TrackBar1Change(int position);
    void TrackBar2Change(int position);
    void Memo1Change();

private:
    void fill();
    void fillProject();
    void showLinkGroups();
    void showPortDevice();
    QWidget *buildGeneralTab();
    QWidget *buildLinkTab();
    QWidget *buildJournalTab();
    QWidget *buildGpsTab();
    QWidget *buildSyncTab();

    TForm1 &m_main;
    Communic &m_communic;
    bool m_testing = false;

    QTabWidget *m_pages = nullptr;
    QPlainTextEdit *m_memo = nullptr;
    QSlider *m_rings = nullptr;
    QLabel *m_ringsReadOut = nullptr;
    QRadioButton *m_usb = nullptr;
    QRadioButton *m_ethernet = nullptr;
    QGroupBox *m_ethernetGroup = nullptr;
    QGroupBox *m_usbGroup = nullptr;
    QLineEdit *m_address = nullptr;
    QLineEdit *m_port = nullptr;
    QLineEdit *m_timeout = nullptr;
    QLabel *m_timeoutLabel = nullptr;
    QButtonGroup *m_comPorts = nullptr;
    QLabel *m_portDevice = nullptr;
    QLabel *m_presentPorts = nullptr;
    QPushButton *m_test = nullptr;
    std::array<QCheckBox *, 5> m_journal{};
    QSlider *m_gps = nullptr;
    QLabel *m_gpsReadOut = nullptr;
    std::array<QGroupBox *, 4> m_ringGroups{};
    std::array<QCheckBox *, 4> m_sync{};
    std::array<QLineEdit *, 4> m_shift{};
};
