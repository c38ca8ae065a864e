// Window "Шаблоны фаз".
#pragma once

#include "model/DialogCopy.h"

#include <QDialog>

class QLabel;
class QPushButton;
class StringGrid;

// "Шаблоны фаз": which directions are green in each of the 32 phase templates.
class TForm8 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm8(RingModel &model, QWidget *parent = nullptr);

    [[nodiscard]] const ProjectBlock &dialogCopy() const { return m_copy.block(); }

    void OpenTemplatesDialog();

public slots:
    void StringGrid1SelectCell(int row, int column);
    void Button1Click(); // "Сохранить"
    void Button2Click(); // "Закрыть"

private:
    void rebuild();

    DialogCopy m_copy;
    StringGrid *m_grid = nullptr;
};
