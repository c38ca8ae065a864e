#pragma once

#include <QFrame>
#include <QLabel>

// Small helpers for building the windows' controls. Object names are the ones the controller's
// tools and the tests know each control by, so every control is created through named().

// Gives a freshly created control its object name and hands it back.
template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A framed label: raised for a heading, sunken for a status line or a read-out.
inline QLabel *panelLabel(const QString &text, QWidget *parent, QFrame::Shadow shadow)
{
    auto *label = new QLabel(text, parent);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(shadow);
    return label;
}

// The heading over a list or a column of editors.
inline QLabel *columnHeading(const QString &text, QWidget *parent)
{
    auto *label = panelLabel(text, parent, QFrame::Raised);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// A number the user reads but does not edit, such as a phase number or the cycle length.
inline QLabel *readOut(QWidget *parent, const char *name, int minimumWidth)
{
    auto *label = named(panelLabel(QString(), parent, QFrame::Sunken), name);
    label->setMinimumWidth(minimumWidth);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// Fills a list or a combo box with the numbers 1..count, as the record numbers are shown.
template <typename List> void addNumbers(List *list, int count)
{
    for (int n = 1; n <= count; ++n)
        list->addItem(QString::number(n));
}
