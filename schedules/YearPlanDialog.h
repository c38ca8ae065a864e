// Window "Годовой план".
#pragma once

#include "ui/EditorDialog.h"

class QComboBox;
class QTableWidget;

// Year plan dialog "Годовой план": a week plan for each of the 54 weeks.
class TForm5 : public EditorDialog
{
    Q_OBJECT
public:
    explicit TForm5(RingModel &model, QWidget *parent = nullptr);

    // Makes the week plan cell of `week` current and scrolls to it.
    void showWeek(int week);

    void StringGrid1SelectCell();
    void StringGrid1SetEditText(int row, int column);
    void Button3Click();
    void Button1Click();
    void Button2Click();

private:
    void takeGrid();
    void refill() override;

    QTableWidget *m_grid = nullptr; // StringGrid1
    QComboBox *m_from = nullptr;    // ComboBox1 "С"
    QComboBox *m_to = nullptr;      // ComboBox2 "по"
    QComboBox *m_plan = nullptr;    // ComboBox3
};
