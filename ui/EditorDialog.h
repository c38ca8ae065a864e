#pragma once

#include "model/DialogCopy.h"

#include <QDialog>
#include <QPushButton>

class QBoxLayout;

// An editor dialog of the current ring: it edits a private copy of the ring's project block
// and writes its own byte range back on "Сохранить". The copy follows the current ring, so the
// controls always show what a store would write.
class EditorDialog : public QDialog
{
    Q_OBJECT
public:
    [[nodiscard]] const ProjectBlock &dialogCopy() const { return m_copy.block(); }

    // Takes a fresh copy of the ring's block, shows it and brings the dialog to the front.
    void openDialog();

    void setVisible(bool visible) override;

protected:
    EditorDialog(RingModel &model, const char *objectName, const QString &title,
                 QWidget *parent = nullptr);

    // Shows the copy in the controls; also runs whenever the copy is taken again.
    virtual void refill() = 0;

    [[nodiscard]] ProjectBlock &copy() { return m_copy.block(); }
    [[nodiscard]] RingModel &model() { return m_copy.model(); }

    // Writes one byte range of the copy into the working copy, marks the project modified and
    // lets the main window refresh.
    void storeRange(std::size_t offset, std::size_t size) { m_copy.store(offset, size); }

    // Adds "Сохранить" and "Закрыть" to `row` under the form's own object names.
    template <typename Form>
    void addSaveClose(QBoxLayout *row, const char *saveName, void (Form::*save)(),
                      const char *closeName, void (Form::*close)())
    {
        auto *form = static_cast<Form *>(this);
        connect(addButton(row, saveName, QStringLiteral("Сохранить")), &QPushButton::clicked, form,
                save);
        connect(addButton(row, closeName, QStringLiteral("Закрыть")), &QPushButton::clicked, form,
                close);
    }

private:
    QPushButton *addButton(QBoxLayout *row, const char *name, const QString &text);

    DialogCopy m_copy;
};
