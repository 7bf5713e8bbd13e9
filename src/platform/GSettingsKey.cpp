#include "GSettingsKey.h"

#include <dlfcn.h>
#include <gio/gio.h>

namespace {
// GIO is loaded at the first question, from the desktop that has GSettings:
// linked in, it would cost every Tovi about a megabyte it rarely uses.
struct Gio {
    decltype(&g_settings_schema_source_get_default) sourceDefault;
    decltype(&g_settings_schema_source_lookup) lookup;
    decltype(&g_settings_schema_has_key) hasKey;
    decltype(&g_settings_schema_get_key) getKey;
    decltype(&g_settings_schema_key_get_value_type) valueType;
    decltype(&g_settings_schema_key_unref) keyUnref;
    decltype(&g_settings_schema_unref) schemaUnref;
    decltype(&g_variant_type_equal) typeEqual;
    decltype(&g_settings_new_full) settingsNew;
    decltype(&g_settings_get_boolean) getBoolean;
    decltype(&g_signal_connect_data) connect;
    decltype(&g_signal_handlers_disconnect_matched) disconnect;
    decltype(&g_object_unref) unref;
};

const Gio* gio() {
    static const Gio* const loaded = []() -> const Gio* {
        void* library = dlopen("libgio-2.0.so.0", RTLD_LAZY | RTLD_LOCAL);
        if (!library)
            return nullptr;
        static Gio functions;
        bool found = true;
        const auto load = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
            found = found && function;
        };
        load(functions.sourceDefault, "g_settings_schema_source_get_default");
        load(functions.lookup, "g_settings_schema_source_lookup");
        load(functions.hasKey, "g_settings_schema_has_key");
        load(functions.getKey, "g_settings_schema_get_key");
        load(functions.valueType, "g_settings_schema_key_get_value_type");
        load(functions.keyUnref, "g_settings_schema_key_unref");
        load(functions.schemaUnref, "g_settings_schema_unref");
        load(functions.typeEqual, "g_variant_type_equal");
        load(functions.settingsNew, "g_settings_new_full");
        load(functions.getBoolean, "g_settings_get_boolean");
        load(functions.connect, "g_signal_connect_data");
        load(functions.disconnect, "g_signal_handlers_disconnect_matched");
        load(functions.unref, "g_object_unref");
        return found ? &functions : nullptr;
    }();
    return loaded;
}
} // namespace

GSettingsKey::GSettingsKey(const QString& schema, const QString& key, QObject* parent)
    : QObject(parent)
    , m_schema(schema.toUtf8())
    , m_key(key.toUtf8()) {}

GSettingsKey::~GSettingsKey() {
    if (m_settings) {
        gio()->disconnect(m_settings, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, this);
        gio()->unref(m_settings);
    }
}

bool GSettingsKey::open() {
    if (m_looked)
        return m_settings != nullptr;
    m_looked = true;
    const Gio* g = gio();
    GSettingsSchemaSource* source = g ? g->sourceDefault() : nullptr;
    GSettingsSchema* schema = source ? g->lookup(source, m_schema.constData(), TRUE) : nullptr;
    if (!schema)
        return false;
    if (g->hasKey(schema, m_key.constData())) {
        GSettingsSchemaKey* key = g->getKey(schema, m_key.constData());
        if (g->typeEqual(g->valueType(key), G_VARIANT_TYPE_BOOLEAN))
            m_settings = g->settingsNew(schema, nullptr, nullptr);
        g->keyUnref(key);
    }
    g->schemaUnref(schema);
    return m_settings != nullptr;
}

std::optional<bool> GSettingsKey::value() {
    if (!open())
        return std::nullopt;
    return gio()->getBoolean(m_settings, m_key.constData()) != FALSE;
}

void GSettingsKey::watch() {
    if (!open())
        return;
    const QByteArray signal = "changed::" + m_key;
    gio()->connect(m_settings, signal.constData(),
                   G_CALLBACK(+[](GSettingsKey* self) { Q_EMIT self->changed(); }), this, nullptr,
                   G_CONNECT_SWAPPED);
    // GSettings only tells of changes to keys read since.
    gio()->getBoolean(m_settings, m_key.constData());
}
