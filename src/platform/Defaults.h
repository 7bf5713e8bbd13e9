#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <optional>

// The per-user defaults store: an INI file plus registered defaults kept in
// memory. Every read is typed, and a stored value that does not have the
// key's type reads as absent, so a hand-edited file never breaks a reader.
class Defaults : public QObject {
    Q_OBJECT
public:
    // Production store: $XDG_CONFIG_HOME/Tovi/Tovi.conf.
    Defaults();
    explicit Defaults(const QString& filePath);

    QString filePath() const;

    // Values that apply where nothing (valid) is stored; never written to disk.
    void registerDefaults(const QVariantHash& values);

    bool contains(const QString& key) const;
    // Every stored key, registered defaults aside.
    QStringList keys() const;

    std::optional<qint64> integer(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    std::optional<double> real(const QString& key) const;
    std::optional<QString> string(const QString& key) const;
    // ISO 8601 with a zone; anything else reads as absent.
    std::optional<QDateTime> date(const QString& key) const;

    qint64 integer(const QString& key, qint64 fallback) const { return integer(key).value_or(fallback); }
    bool boolean(const QString& key, bool fallback) const { return boolean(key).value_or(fallback); }
    double real(const QString& key, double fallback) const { return real(key).value_or(fallback); }
    QString string(const QString& key, const QString& fallback) const {
        return string(key).value_or(fallback);
    }

    void setInteger(const QString& key, qint64 value);
    void setBoolean(const QString& key, bool value);
    void setReal(const QString& key, double value);
    void setString(const QString& key, const QString& value);
    void setDate(const QString& key, const QDateTime& value);
    void remove(const QString& key);

    // Writes pending changes now (QSettings also does so on its own).
    void sync();

    static QString standardFilePath();

Q_SIGNALS:
    // A value was changed or removed through this object.
    void changed(const QString& key);

private:
    // Writes only a value that differs from the stored one.
    void store(const QString& key, const QString& text);
    template <typename T, typename Parse> std::optional<T> read(const QString& key, Parse parse) const;

    mutable QSettings m_settings;
    QHash<QString, QVariant> m_registered;
};
