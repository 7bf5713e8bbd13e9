#include "IniText.h"

#include <QIODevice>
#include <QMap>

using namespace Qt::StringLiterals;

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Keys: "%XX" is a Latin-1 character, "%UXXXX" a UTF-16 unit, '\\' a '/'.
QString unescapeKey(QByteArrayView raw) {
    QString key;
    QByteArray plain;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        const bool wide = c == '%' && i + 1 < raw.size() && raw[i + 1] == 'U';
        const qsizetype start = i + (wide ? 2 : 1);
        const int digits = wide ? 4 : 2;
        int value = 0;
        bool escaped = c == '%' && start + digits <= raw.size();
        for (int d = 0; escaped && d < digits; ++d) {
            const int h = hexValue(raw[start + d]);
            escaped = h >= 0;
            value = value * 16 + h;
        }
        if (!escaped) {
            plain += c == '\\' ? '/' : c;
            continue;
        }
        key += QString::fromUtf8(plain) + QChar(char16_t(value));
        plain.clear();
        i = start + digits - 1;
    }
    return key + QString::fromUtf8(plain);
}

QByteArray escapeKey(const QString& key) {
    QByteArray out;
    for (const QChar ch : key) {
        const char16_t u = ch.unicode();
        if (u == '/')
            out += '\\';
        else if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' ||
                 u == '-' || u == '.')
            out += char(u);
        else if (u < 256)
            out += '%' + QByteArray::number(u, 16).toUpper().rightJustified(2, '0');
        else
            out += "%U" + QByteArray::number(u, 16).toUpper().rightJustified(4, '0');
    }
    return out;
}

// Values: the escapes, quotes and "@@" of QSettings' writer. What QSettings
// would read as a list or a typed value stays the text it is.
QString unescapeValue(QByteArrayView raw) {
    if (raw.startsWith("@@"))
        raw = raw.sliced(1);
    QByteArray out;
    bool quoted = false;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (c != '\\' || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        const char e = raw[++i];
        switch (e) {
        case 'a':
            out += '\a';
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'v':
            out += '\v';
            break;
        case 'x': {
            int value = 0;
            int digits = 0;
            while (digits < 4 && i + 1 < raw.size() && hexValue(raw[i + 1]) >= 0) {
                value = value * 16 + hexValue(raw[++i]);
                ++digits;
            }
            out += QString(QChar(char16_t(value))).toUtf8();
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                int value = e - '0';
                for (int digits = 1;
                     digits < 3 && i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7'; ++digits)
                    value = value * 8 + (raw[++i] - '0');
                out += QString(QChar(char16_t(value))).toUtf8();
            } else {
                out += e;
            }
        }
    }
    return QString::fromUtf8(out);
}

QByteArray escapeValue(const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    bool quote = value.startsWith(u' ') || value.endsWith(u' ');
    QByteArray out = value.startsWith(u'@') ? "@"_ba : QByteArray();
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case ';':
        case ',':
        case '=':
            quote = true;
            out += c;
            break;
        default:
            if (uchar(c) < 0x20)
                out += "\\x" + QByteArray::number(uchar(c), 16).rightJustified(4, '0');
            else
                out += c;
        }
    }
    return quote ? '"' + out + '"' : out;
}

} // namespace

QSettings::Format IniText::format() {
    static const QSettings::Format registered = QSettings::registerFormat(u"conf"_s, read, write);
    return registered;
}

bool IniText::read(QIODevice& device, QSettings::SettingsMap& map) {
    QString section;
    for (const QByteArray& rawLine : device.readAll().split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            section =
                unescapeKey(QByteArrayView(line).sliced(1, (close < 0 ? line.size() : close) - 1).trimmed());
            if (section.compare(u"general"_s, Qt::CaseInsensitive) == 0)
                section.clear();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QString key = unescapeKey(QByteArrayView(line).first(equals).trimmed());
        if (key.isEmpty())
            continue;
        map.insert(section.isEmpty() ? key : section + u'/' + key,
                   unescapeValue(QByteArrayView(line).sliced(equals + 1).trimmed()));
    }
    return true;
}

bool IniText::write(QIODevice& device, const QSettings::SettingsMap& map) {
    QMap<QString, QByteArray> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(u'/');
        const QString section = slash < 0 ? u"General"_s : it.key().first(slash);
        sections[section] +=
            escapeKey(it.key().sliced(slash + 1)) + '=' + escapeValue(it.value().toString()) + '\n';
    }
    QByteArray out;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it)
        out += (out.isEmpty() ? "[" : "\n[") + escapeKey(it.key()) + "]\n" + it.value();
    return device.write(out) == out.size();
}
