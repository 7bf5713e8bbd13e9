#include "AppDelegate.h"

#include "ToviCopy.h"
#include "platform/Clock.h"

#include <QAction>
#include <QTimer>

using namespace Qt::StringLiterals;

void AppDelegate::startMainTimer() {
    delete mainTimer;
    mainTimer = new QTimer(this);
    mainTimer->setInterval(1000);
    // Coarse: a tray countdown needs no precision, and the kernel may batch us.
    mainTimer->setTimerType(Qt::CoarseTimer);
    connect(mainTimer, &QTimer::timeout, this, &AppDelegate::tick);
    mainTimer->start();
}

void AppDelegate::tick() {
    if (!isResting) {
        if (workSecondsRemaining >= 1) {
            --workSecondsRemaining;
            updateStatusMenuTitle();
            prefetchWallpaperNearRestIfNeeded();
        }
    }
    updateReminderCountdownMenuTitles();
}

void AppDelegate::updateStatusMenuTitle() {
    if (transientStatusMessage) {
        if (transientStatusExpiresAt && *transientStatusExpiresAt > Clock::now()) {
            setStatusLine(*transientStatusMessage);
            return;
        }
        transientStatusMessage.reset();
        transientStatusExpiresAt.reset();
    }
    const qint64 minutes = workSecondsRemaining / 60;
    const qint64 seconds = workSecondsRemaining % 60;
    const QString countdown =
        u"%1:%2"_s.arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds, 2, 10, QLatin1Char('0'));
    const QStringList& templates = ToviCopy::workCountdownTemplates();
    QString line = templates.at(int(minutes % templates.size()));
    setStatusLine(line.replace(u"%@"_s, countdown));
}

void AppDelegate::setTransientStatus(const QString& message, double durationSeconds) {
    transientStatusMessage = message;
    transientStatusExpiresAt = Clock::now().addMSecs(qint64(durationSeconds * 1000));
    setStatusLine(message);
}

void AppDelegate::prefetchWallpaperNearRestIfNeeded() {}

void AppDelegate::updateReminderCountdownMenuTitles() {}

void AppDelegate::setStatusLine(const QString& text) {
    if (statusMenuItem && statusMenuItem->text() != text)
        statusMenuItem->setText(text);
}
