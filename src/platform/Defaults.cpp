#include "Defaults.h"

#include "IniText.h"
#include "StrictInt.h"

#include <QDir>
#include <QStandardPaths>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

std::optional<qint64> toInteger(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        return v.toLongLong();
    case QMetaType::QString:
        return parseStrictInt64(v.toString());
    default:
        return std::nullopt;
    }
}

std::optional<bool> toBoolean(const QVariant& v) {
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString s = v.toString();
    if (s == u"true"_s || s == u"1"_s)
        return true;
    if (s == u"false"_s || s == u"0"_s)
        return false;
    return std::nullopt;
}

std::optional<double> toReal(const QVariant& v) {
    bool ok = false;
    double d = 0;
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int ||
        v.typeId() == QMetaType::LongLong) {
        d = v.toDouble(&ok);
    } else if (v.typeId() == QMetaType::QString) {
        d = v.toString().toDouble(&ok);
    }
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

std::optional<QString> toString(const QVariant& v) {
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    return v.toString();
}

std::optional<QDateTime> toDate(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime d = v.toDateTime();
        return d.isValid() ? std::optional(d) : std::nullopt;
    }
    if (v.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString s = v.toString();
    // A time and a zone designator are required: a bare local time is
    // ambiguous, and a bare date's dashes must not pass for an offset.
    const qsizetype t = s.indexOf(u'T');
    if (t < 0)
        return std::nullopt;
    if (!(s.endsWith(u'Z') || (s.size() - 6 > t && (s[s.size() - 6] == u'+' || s[s.size() - 6] == u'-'))))
        return std::nullopt;
    const QDateTime d = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!d.isValid())
        return std::nullopt;
    return d;
}

} // namespace

Defaults::Defaults()
    : Defaults(standardFilePath()) {}

Defaults::Defaults(const QString& filePath)
    : m_settings(filePath, IniText::format()) {}

QString Defaults::standardFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/Tovi/Tovi.conf"_s;
}

QString Defaults::filePath() const {
    return m_settings.fileName();
}

void Defaults::registerDefaults(const QVariantHash& values) {
    for (auto it = values.begin(); it != values.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

bool Defaults::contains(const QString& key) const {
    return m_settings.contains(key);
}

QStringList Defaults::keys() const {
    return m_settings.allKeys();
}

template <typename T, typename Parse> std::optional<T> Defaults::read(const QString& key, Parse parse) const {
    if (const QVariant stored = m_settings.value(key); stored.isValid()) {
        if (std::optional<T> value = parse(stored))
            return value;
    }
    if (const auto it = m_registered.constFind(key); it != m_registered.constEnd())
        return parse(*it);
    return std::nullopt;
}

std::optional<qint64> Defaults::integer(const QString& key) const {
    return read<qint64>(key, toInteger);
}

std::optional<bool> Defaults::boolean(const QString& key) const {
    return read<bool>(key, toBoolean);
}

std::optional<double> Defaults::real(const QString& key) const {
    return read<double>(key, toReal);
}

std::optional<QString> Defaults::string(const QString& key) const {
    return read<QString>(key, toString);
}

std::optional<QDateTime> Defaults::date(const QString& key) const {
    return read<QDateTime>(key, toDate);
}

void Defaults::store(const QString& key, const QString& text) {
    // QSettings rewrites and fsyncs the whole file after any setValue, even
    // one that changes nothing, and callers refresh some keys every second.
    const QVariant stored = m_settings.value(key);
    if (stored.typeId() == QMetaType::QString && stored.toString() == text)
        return;
    m_settings.setValue(key, text);
    Q_EMIT changed(key);
}

void Defaults::setInteger(const QString& key, qint64 value) {
    store(key, QString::number(value));
}

void Defaults::setBoolean(const QString& key, bool value) {
    store(key, value ? u"true"_s : u"false"_s);
}

void Defaults::setReal(const QString& key, double value) {
    store(key, QString::number(value, 'g', QLocale::FloatingPointShortest));
}

void Defaults::setString(const QString& key, const QString& value) {
    store(key, value);
}

void Defaults::setDate(const QString& key, const QDateTime& value) {
    store(key, value.toUTC().toString(Qt::ISODateWithMs));
}

void Defaults::remove(const QString& key) {
    if (!m_settings.contains(key))
        return;
    m_settings.remove(key);
    Q_EMIT changed(key);
}

void Defaults::sync() {
    m_settings.sync();
}
