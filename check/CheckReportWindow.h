// Window "Проверка проекта".
#pragma once

#include "check/Finding.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;
class RingModel;

// The whole-project check as a list, one row per finding with its severity and place.
// Double-clicking a row (or Enter on it) opens the editor where the fault is mended. The list
// follows the project: every applied edit runs the check again.
class CheckReportWindow : public QWidget
{
    Q_OBJECT
public:
    explicit CheckReportWindow(RingModel &model, QWidget *parent = nullptr);

    // What a double-click opens; the finding is a copy, the list may change meanwhile.
    void setOpenPlace(std::function<void(const ProjectCheck::Finding &)> open);
    // Runs the check and brings the window to the front.
    void openReport();
    void recheck();

    [[nodiscard]] const std::vector<ProjectCheck::Finding> &findings() const { return m_findings; }
    [[nodiscard]] QTreeWidget *list() const { return m_list; }
    [[nodiscard]] QString summaryText() const;

public slots:
    void ButtonRecheckClick();
    void ButtonCloseClick();
    void TreeFindingsActivated(QTreeWidgetItem *item);

private:
    RingModel &m_model;
    std::function<void(const ProjectCheck::Finding &)> m_open;
    std::vector<ProjectCheck::Finding> m_findings;
    QTimer m_pending; // edits come in bursts; the check runs once after them
    QTreeWidget *m_list = nullptr;
    QLabel *m_summary = nullptr;
};
