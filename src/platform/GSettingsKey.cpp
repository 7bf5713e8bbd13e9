#include "GSettingsKey.h"

#include <gio/gio.h>

GSettingsKey::GSettingsKey(const QString& schema, const QString& key, QObject* parent)
    : QObject(parent)
    , m_schema(schema.toUtf8())
    , m_key(key.toUtf8()) {}

GSettingsKey::~GSettingsKey() {
    if (m_settings) {
        g_signal_handlers_disconnect_by_data(m_settings, this);
        g_object_unref(m_settings);
    }
}

bool GSettingsKey::open() {
    if (m_looked)
        return m_settings != nullptr;
    m_looked = true;
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, m_schema.constData(), TRUE) : nullptr;
    if (!schema)
        return false;
    if (g_settings_schema_has_key(schema, m_key.constData())) {
        GSettingsSchemaKey* key = g_settings_schema_get_key(schema, m_key.constData());
        if (g_variant_type_equal(g_settings_schema_key_get_value_type(key), G_VARIANT_TYPE_BOOLEAN))
            m_settings = g_settings_new_full(schema, nullptr, nullptr);
        g_settings_schema_key_unref(key);
    }
    g_settings_schema_unref(schema);
    return m_settings != nullptr;
}

std::optional<bool> GSettingsKey::value() {
    if (!open())
        return std::nullopt;
    return g_settings_get_boolean(m_settings, m_key.constData()) != FALSE;
}

void GSettingsKey::watch() {
    if (!open())
        return;
    const QByteArray signal = "changed::" + m_key;
    g_signal_connect_swapped(m_settings, signal.constData(),
                             G_CALLBACK(+[](GSettingsKey* self) { Q_EMIT self->changed(); }), this);
    // GSettings only tells of changes to keys read since.
    g_settings_get_boolean(m_settings, m_key.constData());
}
