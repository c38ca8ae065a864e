#include "ui/EditorDialog.h"

#include "ui/Controls.h"

#include <QBoxLayout>
#include <QPushButton>

EditorDialog::EditorDialog(RingModel &model, const char *objectName, const QString &title,
                           QWidget *parent)
    : QDialog(parent), m_copy(model)
{
    setObjectName(QLatin1String(objectName));
    setWindowTitle(title);
    m_copy.setStepName(QStringLiteral("сохранение окна «%1»").arg(title));
    // refill() is the form's own; by the time a ring is replaced the form is complete.
    connect(&m_copy, &DialogCopy::retaken, this, [this] { refill(); });
}

void EditorDialog::openDialog()
{
    m_copy.take();
    refill();
    show();
    raise();
    activateWindow();
}

void EditorDialog::setVisible(bool visible)
{
    // No button answers Enter unless focused: Enter typed into a time, a cell or a field must
    // not add an entry, set a range or store behind the user's back. Done before QDialog picks
    // its default button on showing, and for every button, however late it was added.
    if (visible)
        for (auto *button : findChildren<QPushButton *>())
            button->setAutoDefault(false);
    QDialog::setVisible(visible);
}

QPushButton *EditorDialog::addButton(QBoxLayout *row, const char *name, const QString &text)
{
    auto *button = named(new QPushButton(text, this), name);
    row->addWidget(button);
    return button;
}
