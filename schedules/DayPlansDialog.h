// Window "Дневные планы".
#pragma once

#include "schedules/DayPlans.h"
#include "ui/EditorDialog.h"

class QComboBox;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTimeEdit;
class QToolButton;

// Day plans dialog "Дневные планы": all 16 plans of the current ring, edited on a private copy.
class TForm3 : public EditorDialog
{
    Q_OBJECT
public:
    explicit TForm3(RingModel &model, QWidget *parent = nullptr);

    [[nodiscard]] int selectedPlan() const { return m_plan; }
    [[nodiscard]] int selectedEntry() const { return m_entry; }

    // Selects a plan and one of its rows, as clicking them would.
    void showEntry(int plan, int entry);

    void ListBox1Click(int row);
    void StringGrid1SelectCell(int row);
    void Button1Click();
    void Button2Click();
    void ComboBox2Change(int index);
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void DateTimePicker1Change();
    void Button3Click();
    void Button4Click();

private:
    void buildControls();
    void refill() override;
    void loadEditors();
    void setKind(Dayplans::Kind kind);
    [[nodiscard]] Dayplans::DayPlanEdit plan() { return {copy(), m_plan}; }

    int m_plan = 0;
    int m_entry = 0;

    QListWidget *m_plans = nullptr;      // ListBox1
    QTableWidget *m_grid = nullptr;      // StringGrid1
    QComboBox *m_programs = nullptr;     // ComboBox2
    QToolButton *m_flashing = nullptr;   // SpeedButton1
    QToolButton *m_signalsOff = nullptr; // SpeedButton2
    QToolButton *m_allRed = nullptr;     // SpeedButton3
    QTimeEdit *m_time = nullptr;         // DateTimePicker1
};
