// Window "Проверка проекта".
#include "check/CheckReportWindow.h"

#include "check/ProjectCheck.h"
#include "model/RingModel.h"
#include "ui/Controls.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

using ProjectCheck::Finding;

CheckReportWindow::CheckReportWindow(RingModel &model, QWidget *parent)
    : QWidget(parent, Qt::Window), m_model(model)
{
    setObjectName(QStringLiteral("FormCheck"));
    setWindowTitle(QStringLiteral("Проверка проекта"));
    resize(1040, 400);
    auto *layout = new QVBoxLayout(this);
    m_summary = named(new QLabel(this), "LabelSummary");
    layout->addWidget(m_summary);

    m_list = named(new QTreeWidget(this), "TreeFindings");
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->setHeaderLabels(
        {QStringLiteral("Важность"), QStringLiteral("Место"), QStringLiteral("Замечание")});
    m_list->header()->setStretchLastSection(true);
    m_list->setColumnWidth(0, 145);
    m_list->setColumnWidth(1, 260);
    connect(m_list, &QTreeWidget::itemActivated, this, &CheckReportWindow::TreeFindingsActivated);
    layout->addWidget(m_list, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(
        new QLabel(QStringLiteral("Двойной щелчок открывает окно, где это исправляется."), this),
        1);
    auto *again = named(new QPushButton(QStringLiteral("Проверить снова"), this), "ButtonRecheck");
    connect(again, &QPushButton::clicked, this, &CheckReportWindow::ButtonRecheckClick);
    bottom->addWidget(again);
    auto *close = named(new QPushButton(QStringLiteral("Закрыть"), this), "ButtonClose");
    connect(close, &QPushButton::clicked, this, &CheckReportWindow::ButtonCloseClick);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    m_pending.setSingleShot(true);
    m_pending.setInterval(0);
    connect(&m_pending, &QTimer::timeout, this, &CheckReportWindow::recheck);
    const auto follow = [this] {
        if (isVisible())
            m_pending.start();
    };
    connect(&m_model, &RingModel::edited, this, follow);
    connect(&m_model, &RingModel::currentRingReplaced, this, follow);
}

void CheckReportWindow::setOpenPlace(std::function<void(const Finding &)> open)
{
    m_open = std::move(open);
}

void CheckReportWindow::openReport()
{
    recheck();
    show();
    raise();
    activateWindow();
}

QString CheckReportWindow::summaryText() const
{
    const auto errors = std::count_if(m_findings.begin(), m_findings.end(),
                                      [](const Finding &f) { return f.isError(); });
    const auto warnings = qsizetype(m_findings.size()) - errors;
    if (m_findings.empty())
        return QStringLiteral("Замечаний нет: проект можно загружать в ДК.");
    QString text = QStringLiteral("Ошибок: %1, предупреждений: %2.").arg(errors).arg(warnings);
    text += errors > 0 ? QStringLiteral(" С ошибками проект в ДК не загрузится.")
                       : QStringLiteral(" Перед загрузкой в ДК будет задан вопрос.");
    return text;
}

void CheckReportWindow::recheck()
{
    m_pending.stop();
    const int row = m_list->currentIndex().row();
    m_findings = ProjectCheck::run(m_model);
    m_list->clear();
    const QIcon error = style()->standardIcon(QStyle::SP_MessageBoxCritical);
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (std::size_t i = 0; i < m_findings.size(); ++i) {
        const Finding &f = m_findings[i];
        auto *item = new QTreeWidgetItem(m_list);
        item->setIcon(0, f.isError() ? error : warning);
        QString severity = ProjectCheck::severityText(f.severity());
        severity[0] = severity[0].toUpper();
        item->setText(0, severity);
        item->setText(1, ProjectCheck::placeText(f.place));
        item->setText(2, f.message);
        item->setToolTip(2, f.message);
        item->setData(0, Qt::UserRole, int(i));
    }
    // The row the user was on stays chosen after a recheck, as far as the list still reaches.
    if (row >= 0 && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(
            m_list->topLevelItem(std::min(row, m_list->topLevelItemCount() - 1)));
    m_summary->setText(summaryText());
}

void CheckReportWindow::ButtonRecheckClick()
{
    recheck();
}

void CheckReportWindow::ButtonCloseClick()
{
    hide();
}

void CheckReportWindow::TreeFindingsActivated(QTreeWidgetItem *item)
{
    if (!item || !m_open)
        return;
    const int index = item->data(0, Qt::UserRole).toInt();
    if (index < 0 || index >= int(m_findings.size()))
        return;
    const Finding finding = m_findings[std::size_t(index)];
    m_open(finding);
}
