// Window "Параметры безопасности".
#pragma once

#include "config/Safety.h"
#include "ui/EditorDialog.h"

#include <array>

class QComboBox;
class QLineEdit;
class QTabWidget;
class StringGrid;

// "Параметры безопасности": conflict matrix flags and times, transition durations and the
// failure settings of the current ring.
class TForm7 : public EditorDialog
{
    Q_OBJECT
public:
    explicit TForm7(RingModel &model, QWidget *parent = nullptr);

    enum class Page { Flags, Times, Intermediate, Failures };
    // Brings a page forward without selecting a cell: selecting a flag cell toggles it.
    void showPage(Page page);
    [[nodiscard]] Page shownPage() const;

public slots:
    void StringGrid1SelectCell(int row, int column); // flags
    void Button1Click();                             // "Сохранить"
    void Button2Click();                             // "Закрыть"

private:
    void refill() override;
    QWidget *buildTimesPage();
    QWidget *buildFailuresPage();
    QLineEdit *numberField(int index);

    QTabWidget *m_pages = nullptr;
    StringGrid *m_flags = nullptr;
    // Only cells whose flag is set can be chosen, and they take digits only.
    StringGrid *m_times = nullptr;
    std::array<QLineEdit *, Guard::FieldCount> m_fields{};
    QComboBox *m_fillMode = nullptr;
};
