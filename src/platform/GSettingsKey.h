#pragma once

#include <QObject>
#include <QString>
#include <optional>

typedef struct _GSettings GSettings;

// One boolean GSettings key. A schema or key the system does not have reads
// as nothing, and is never asked for: GLib aborts on unknown schemas. GIO is
// loaded at the first question; without it every key reads as nothing.
class GSettingsKey final : public QObject {
    Q_OBJECT
public:
    GSettingsKey(const QString& schema, const QString& key, QObject* parent = nullptr);
    ~GSettingsKey() override;

    std::optional<bool> value();
    // Emits changed() from now on; GLib's signals arrive through Qt's GLib event loop.
    void watch();

Q_SIGNALS:
    void changed();

private:
    bool open();

    QByteArray m_schema;
    QByteArray m_key;
    GSettings* m_settings = nullptr;
    bool m_looked = false;
};
