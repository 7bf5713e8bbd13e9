#pragma once

#include "StatsReporter.h"

#include <QWidget>

// The report window's content: a read-only dashboard of one report. It keeps
// no state of its own; a new report means a new view.
class StatsReportView : public QWidget {
    Q_OBJECT
public:
    explicit StatsReportView(const StatsReport& report, QWidget* parent = nullptr);

    // "Tovi 身体维护日报" and its week and month siblings.
    static QString title(const StatsReportScope& scope);
    // done / (done + missed) of the total, as a whole percentage.
    static int maintenanceScore(const StatsDaySummary& total);
    static QString scoreLabel(int score);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Escape and Ctrl+W close the window, as elsewhere on the desktop.
    void keyPressEvent(QKeyEvent* event) override;
};
