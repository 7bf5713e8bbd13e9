#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <optional>

class ReminderSkipToast;
class Screens;

// Shows a skipped reminder's line as a toast near the top of the main screen
// for three seconds. Toasts are independent: each fades on its own schedule.
class ReminderSkipFeedbackPresenter : public QObject {
    Q_OBJECT
public:
    static constexpr double toastDuration = 3.0;
    static constexpr double fadeInDuration = 0.18;
    static constexpr double fadeOutDuration = 0.22;
    static constexpr int topOffset = 72;

    explicit ReminderSkipFeedbackPresenter(Screens* screens, QObject* parent = nullptr);
    ~ReminderSkipFeedbackPresenter() override;

    // Shows the toast on a later turn of the event loop.
    void present(const QString& title, const QString& message);
    ReminderSkipToast* showToast(const QString& title, const QString& message);

    // The toasts on screen, oldest first.
    const QList<ReminderSkipToast*>& toastWindows() const { return m_toastWindows; }

    // Where a toast goes on a screen with this available area (none: 1440 x 900 at the origin).
    static QRect toastGeometry(const std::optional<QRect>& availableArea);

Q_SIGNALS:
    void toastShown(ReminderSkipToast* toast);
    void toastClosed(ReminderSkipToast* toast);

private:
    void fadeOut(ReminderSkipToast* toast);
    void closeToast(ReminderSkipToast* toast);

    Screens* m_screens;
    QList<ReminderSkipToast*> m_toastWindows;
};
