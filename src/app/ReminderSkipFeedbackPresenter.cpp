#include "ReminderSkipFeedbackPresenter.h"

#include "ReminderSkipToast.h"
#include "platform/Clock.h"
#include "platform/Screens.h"

#include <QPropertyAnimation>

ReminderSkipFeedbackPresenter::ReminderSkipFeedbackPresenter(Screens* screens, QObject* parent)
    : QObject(parent)
    , m_screens(screens) {}

ReminderSkipFeedbackPresenter::~ReminderSkipFeedbackPresenter() {
    qDeleteAll(m_toastWindows);
}

void ReminderSkipFeedbackPresenter::present(const QString& title, const QString& message) {
    QMetaObject::invokeMethod(
        this, [this, title, message] { showToast(title, message); }, Qt::QueuedConnection);
}

QRect ReminderSkipFeedbackPresenter::toastGeometry(const std::optional<QRect>& availableArea) {
    const QRect area = availableArea.value_or(QRect(0, 0, 1440, 900));
    const int x = area.x() + area.width() / 2 - ReminderSkipToast::width / 2;
    return {x, area.y() + topOffset, ReminderSkipToast::width, ReminderSkipToast::height};
}

ReminderSkipToast* ReminderSkipFeedbackPresenter::showToast(const QString& title, const QString& message) {
    auto* toast = new ReminderSkipToast(title, message);
    std::optional<QRect> area;
    if (m_screens) {
        if (const auto primary = m_screens->primary())
            area = primary->availableGeometry;
    }
    toast->setGeometry(toastGeometry(area));
    m_toastWindows.append(toast);

    toast->setWindowOpacity(0.0);
    toast->show();
    toast->raise();
    auto* fadeIn = new QPropertyAnimation(toast, "windowOpacity", toast);
    fadeIn->setDuration(int(fadeInDuration * 1000));
    fadeIn->setStartValue(0.0);
    fadeIn->setEndValue(1.0);
    fadeIn->start(QAbstractAnimation::DeleteWhenStopped);

    // The toast is the context: a toast closed early takes its timer along.
    QPointer<ReminderSkipFeedbackPresenter> self(this);
    Clock::after(int(toastDuration * 1000), toast, [self, toast] {
        if (self)
            self->fadeOut(toast);
    });
    Q_EMIT toastShown(toast);
    return toast;
}

void ReminderSkipFeedbackPresenter::fadeOut(ReminderSkipToast* toast) {
    auto* animation = new QPropertyAnimation(toast, "windowOpacity", toast);
    animation->setDuration(int(fadeOutDuration * 1000));
    animation->setEndValue(0.0);
    QPointer<ReminderSkipToast> weakToast(toast);
    connect(animation, &QAbstractAnimation::finished, this, [this, weakToast] {
        if (weakToast)
            closeToast(weakToast);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ReminderSkipFeedbackPresenter::closeToast(ReminderSkipToast* toast) {
    toast->close();
    m_toastWindows.removeAll(toast);
    Q_EMIT toastClosed(toast);
    toast->deleteLater();
}
