// Window "Экспорт диаграммы".
#pragma once

#include "programs/SheetExport.h"

#include <QDialog>

class QComboBox;
class QRadioButton;

// Asks what to export: the current program or every program of the ring, and the format.
class ExportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ExportDialog(QWidget *parent = nullptr);

    [[nodiscard]] bool allPrograms() const;
    [[nodiscard]] SheetExport::Format format() const;

private:
    QRadioButton *m_current = nullptr;
    QRadioButton *m_all = nullptr;
    QComboBox *m_format = nullptr;
};
