// Window "О программе".
#pragma once

#include <QDialog>

// About box "О программе".
class TForm9 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm9(QWidget *parent = nullptr);
};
