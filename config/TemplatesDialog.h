// Window "Шаблоны фаз".
#pragma once

#include "ui/EditorDialog.h"

class QLabel;
class QPushButton;
class StringGrid;

// "Шаблоны фаз": which directions are green in each of the 32 phase templates.
class TForm8 : public EditorDialog
{
    Q_OBJECT
public:
    explicit TForm8(RingModel &model, QWidget *parent = nullptr);

    // Scrolls to template t (0-based) and marks its number in the header, without toggling.
    void showTemplate(int t);
    [[nodiscard]] int shownTemplate() const { return m_shown; }

public slots:
    void StringGrid1SelectCell(int row, int column);
    void Button1Click(); // "Сохранить"
    void Button2Click(); // "Закрыть"

private:
    void refill() override;

    StringGrid *m_grid = nullptr;
    int m_shown = -1;
};
