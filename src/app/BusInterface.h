#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QMap>
#include <QObject>
#include <QString>

class Commands;

// Commands and the state on the session bus: io.github.tovi.Tovi at
// /io/github/tovi/Tovi. Properties announce their changes through
// PropertiesChanged, never once a second: a client counts down from NextRestAt.
class BusInterface final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.tovi.Tovi")
    Q_PROPERTY(QString State READ state)
    Q_PROPERTY(int SecondsToRest READ secondsToRest)
    Q_PROPERTY(qlonglong NextRestAt READ nextRestAt)
    Q_PROPERTY(qlonglong PausedUntil READ pausedUntil)
    Q_PROPERTY(ReminderMoments ReminderDueAt READ reminderDueAt)
    Q_PROPERTY(QString WaitingFor READ waitingFor)
public:
    using ReminderMoments = QMap<QString, qlonglong>;
    static inline const QString notRestingError = QStringLiteral("io.github.tovi.Tovi.Error.NotResting");

    explicit BusInterface(Commands* commands, QObject* parent = nullptr);
    // Exports the object and takes the name; false when either fails (the name
    // is another Tovi's).
    bool registerOn(QDBusConnection bus);

    QString state() const;
    int secondsToRest() const;
    qlonglong nextRestAt() const;
    qlonglong pausedUntil() const;
    ReminderMoments reminderDueAt() const;
    QString waitingFor() const;

public Q_SLOTS:
    void Rest();
    void Skip();
    void Pause(uint seconds);
    void Resume();
    void OpenReport(const QString& scope);

private:
    void announce(const QVariantMap& changed, const QStringList& invalidated);
    void stateChanged();
    void remindersChanged();

    Commands* const m_commands;
    QDBusConnection m_bus;
    ReminderMoments m_announcedReminders;
};
