// Window "Направления".
#pragma once

#include "config/Directions.h"
#include "ui/EditorDialog.h"

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QToolButton;
class Lamp;

// "Направления": the directions of the current ring, their types and the output channels of
// their lamps.
class TForm13 : public EditorDialog
{
    Q_OBJECT
public:
    explicit TForm13(RingModel &model, QWidget *parent = nullptr);

    [[nodiscard]] int selectedDirection() const { return m_selected; }

    // Where the controller window's status line takes short messages.
    void setControllerStatus(std::function<void(const QString &)> sink);

public slots:
    void ListBox1Click(int row);
    void ToolButton1Click(); // "+"
    void ToolButton2Click(); // "-"
    void ToolButton3Click(); // "Изменить тип"
    void ButtonTypeOkClick();
    void ButtonTypeCancelClick();
    void Button1Click(); // "Сохранить"
    void Button2Click(); // "Закрыть"

private:
    struct RowControls
    {
        Napr::Row row;
        QWidget *box = nullptr;
        QComboBox *group = nullptr;
        QComboBox *colour = nullptr;
        QCheckBox *controlOff = nullptr;
    };
    enum class ChooserMode { Add, Change };

    void refill() override;
    QFrame *buildPanel(const char *name, const QString &title, Lamp **lamp, Napr::Row first,
                       Napr::Row second, const char *rowName);
    void buildChooser();
    void groupChanged(Napr::Row row, int group);
    void colourChanged(Napr::Row row, int colour);
    void storeBinding(Napr::Row row, int group, int colour);
    void controlOffChanged(Napr::Row row, bool checked);
    [[nodiscard]] Napr::BindingPlace place(Napr::Row row) const;
    void showPanels(int type);
    void reportTramLimit();

    std::function<void(const QString &)> m_controllerStatus;
    int m_selected = 0;
    int m_tramSignal = 0;
    ChooserMode m_mode = ChooserMode::Add;

    QListWidget *m_list = nullptr;
    QFrame *m_red = nullptr;
    QFrame *m_yellow = nullptr;
    QFrame *m_green = nullptr;
    QFrame *m_lower = nullptr;
    Lamp *m_redLamp = nullptr;
    Lamp *m_yellowLamp = nullptr;
    Lamp *m_greenLamp = nullptr;
    QLabel *m_wait = nullptr; // "ТВП - ЖДИТЕ"
    std::vector<RowControls> m_rows;
    QFrame *m_chooser = nullptr;
    QListWidget *m_types = nullptr;
    QLabel *m_status = nullptr;
};
