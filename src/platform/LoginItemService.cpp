#include "LoginItemService.h"

#include "Directories.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace {
// Exec= takes a command line inside a desktop-entry string: quote the path so
// spaces and quotes survive, then escape the backslashes once more for the
// string itself, and double '%' so it is no field code.
QString quotedForExec(const QString& path) {
    QString quoted = path;
    for (const QChar c : {u'\\', u'"', u'`', u'$'})
        quoted.replace(c, u"\\"_s + c);
    quoted = u'"' + quoted + u'"';
    return quoted.replace(u"\\"_s, u"\\\\"_s).replace(u"%"_s, u"%%"_s);
}
} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(const QString& entryPath, const QString& executable)
    : m_path(entryPath)
    , m_executable(executable) {}

QString XdgAutostartLoginItem::standardEntryPath() {
    return Directories::configHome() + u"/autostart/tovi.desktop"_s;
}

bool XdgAutostartLoginItem::isEnabled() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> lines = file.readAll().split('\n');
    bool inEntry = false;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('['))
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.startsWith("Hidden") && line.mid(6).trimmed().startsWith('='))
            return line.mid(line.indexOf('=') + 1).trimmed() != "true";
    }
    return true;
}

std::optional<QString> XdgAutostartLoginItem::registerItem() {
    // 0700 for what is missing, as the XDG base directories ask.
    if (const QString failure = Directories::makePrivatePath(QFileInfo(m_path).absolutePath());
        !failure.isEmpty())
        return failure;
    QSaveFile file(m_path);
    const QString entry = u"[Desktop Entry]\n"
                          u"Type=Application\n"
                          u"Name=Tovi\n"
                          u"Comment=菜单栏状态续命搭子\n"
                          u"Exec=%1\n"
                          u"Terminal=false\n"
                          u"X-GNOME-Autostart-enabled=true\n"_s.arg(quotedForExec(m_executable));
    if (!file.open(QIODevice::WriteOnly) || file.write(entry.toUtf8()) < 0 || !file.commit())
        return file.errorString();
    return std::nullopt;
}

std::optional<QString> XdgAutostartLoginItem::unregisterItem() {
    QFile file(m_path);
    if (!file.exists() || file.remove())
        return std::nullopt;
    return file.errorString();
}
