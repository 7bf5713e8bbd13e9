#include "E2eHarness.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {
QString cacheHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
}
} // namespace

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QTest::qWait(50);
    }
    return true;
}

QString toviBinary() {
    return QStringLiteral(TOVI_BINARY);
}

CommandResult runCommand(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment, int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    CommandResult result;
    if (!process.waitForStarted(5000))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return result;
    }
    result.output = QString::fromUtf8(process.readAll());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QString e2eHome(const QString& name) {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/homes/"_s + name;
}

QStringList customRest(int workSeconds, int restSeconds) {
    return {u"selectedRestModeTag=-1"_s, u"customRestModeWorkDuration=%1"_s.arg(workSeconds),
            u"customRestModeRestDuration=%1"_s.arg(restSeconds)};
}

bool backdropInEveryCorner(const QImage& shot) {
    const QList<QPoint> corners{{5, 5}, {1915, 1075}, {1925, 5}, {3835, 1075}};
    return std::all_of(corners.begin(), corners.end(), [&shot](QPoint p) {
        const QRgb c = shot.pixel(p);
        return qBlue(c) > qRed(c) && qRed(c) < 60 && qGreen(c) < 60;
    });
}

VirtualDesktop::VirtualDesktop(bool withNotifications, Session session)
    : m_dir(cacheHome() + u"/desktop"_s) {
    QDir(m_dir).removeRecursively();
    QDir().mkpath(m_dir);
    QStringList arguments{u"start"_s};
    if (!withNotifications)
        arguments << u"--no-notifications"_s;
    if (session == Session::wayland)
        arguments << u"--wayland"_s;
    // One e2e binary runs under each tray host: CTest registers it twice.
    m_statusNotifierHost = qEnvironmentVariable("TOVI_TRAY_HOST") == u"sni"_s;
    if (m_statusNotifierHost)
        arguments << u"--tray"_s << u"sni"_s;
    const CommandResult started = script(arguments);
    if (started.exitCode != 0) {
        m_error = started.output;
        script({u"stop"_s});
        return;
    }
    // DISPLAY, the session bus, and under sway its sockets.
    for (const QString& line : started.output.split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            m_session.insert(line.left(equals), line.mid(equals + 1));
    }
    setUserAtDesk(true);
}

VirtualDesktop::~VirtualDesktop() {
    setUserAtDesk(false);
    script({u"stop"_s});
}

void VirtualDesktop::setUserAtDesk(bool present) {
    if (m_presence) {
        m_presence->kill();
        m_presence->waitForFinished();
        m_presence.reset();
    }
    if (!present || !isRunning())
        return;
    // A pixel there and back every two seconds: no hover moves, yet the X
    // server's idle time never reaches the shortest rest a test uses.
    m_presence = std::make_unique<QProcess>();
    m_presence->setProcessEnvironment(environment());
    m_presence->start(u"sh"_s, {u"-c"_s, u"while :; do xdotool mousemove_relative -- 1 0 "
                                         u"mousemove_relative -- -1 0; sleep 2; done"_s});
}

CommandResult VirtualDesktop::script(const QStringList& arguments) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TOVI_DESKTOP_DIR"_s, m_dir);
    return runCommand(QStringLiteral(TOVI_SOURCE_DIR) + u"/scripts/virtual-desktop"_s, arguments, env);
}

QProcessEnvironment VirtualDesktop::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(m_session);
    env.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    return env;
}

QString VirtualDesktop::screenshot(const QString& name) const {
    const QString path = cacheHome() + u'/' + name + u".png"_s;
    return script({u"screenshot"_s, path}).exitCode == 0 ? path : QString();
}

bool VirtualDesktop::control(const QString& command) const {
    return script({command}).exitCode == 0;
}

CommandResult VirtualDesktop::xdotool(const QStringList& arguments) const {
    return runCommand(u"xdotool"_s, arguments, environment());
}

void VirtualDesktop::holdKey(const QString& key, int ms) const {
    xdotool({u"keydown"_s, key});
    QTest::qWait(ms);
    xdotool({u"keyup"_s, key});
}

void VirtualDesktop::walkMenu(int downs, const QStringList& then) const {
    QStringList keys{u"key"_s, u"--delay"_s, u"60"_s};
    for (int i = 0; i < downs; ++i)
        keys << u"Down"_s;
    xdotool(keys << then);
}

CommandResult VirtualDesktop::dunstctl(const QStringList& arguments) const {
    return runCommand(u"dunstctl"_s, arguments, environment());
}

int VirtualDesktop::notificationsShown() const {
    return dunstctl({u"count"_s, u"displayed"_s}).output.trimmed().toInt();
}

QStringList VirtualDesktop::windowsOfClass(const QString& windowClass) const {
    const QString needle = u"(\""_s + windowClass + u"\" "_s;
    QStringList found;
    const CommandResult tree = runCommand(u"xwininfo"_s, {u"-root"_s, u"-tree"_s}, environment());
    for (const QString& line : tree.output.split(u'\n')) {
        if (line.contains(needle))
            found.append(line.trimmed());
    }
    return found;
}

QStringList VirtualDesktop::visibleWindowsOfClass(const QString& windowClass) const {
    return xdotool({u"search"_s, u"--onlyvisible"_s, u"--class"_s, windowClass})
        .output.split(u'\n', Qt::SkipEmptyParts);
}

ToviProcess::ToviProcess(const VirtualDesktop& desktop, const QString& home)
    : m_environment(desktop.environment())
    , m_home(home) {
    QDir(m_home).removeRecursively();
    for (const QString& sub : {u"config"_s, u"data"_s, u"cache"_s, u"runtime"_s}) {
        QDir().mkpath(m_home + u'/' + sub);
        m_environment.insert(sub == u"runtime"_s ? u"XDG_RUNTIME_DIR"_s : u"XDG_%1_HOME"_s.arg(sub.toUpper()),
                             m_home + u'/' + sub);
    }
    QFile::setPermissions(m_home + u"/runtime"_s,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

ToviProcess::~ToviProcess() {
    if (isRunning()) {
        m_process->kill();
        m_process->waitForFinished(3000);
    }
}

QString ToviProcess::settingsPath() const {
    return m_home + u"/config/Tovi/Tovi.conf"_s;
}

QString ToviProcess::eventsDirectory() const {
    return m_home + u"/data/Tovi/Stats/events"_s;
}

void ToviProcess::seedSettings(const QStringList& lines) const {
    QDir().mkpath(QFileInfo(settingsPath()).absolutePath());
    QFile file(settingsPath());
    if (file.open(QIODevice::WriteOnly))
        file.write((u"[General]\n"_s + lines.join(u'\n') + u'\n').toUtf8());
}

bool ToviProcess::start(bool offline) {
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(m_environment);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    if (offline)
        m_process->start(u"unshare"_s, {u"-n"_s, toviBinary()});
    else
        m_process->start(toviBinary(), {});
    return m_process->waitForStarted(5000);
}

bool ToviProcess::isRunning() const {
    return m_process && m_process->state() != QProcess::NotRunning;
}

qint64 ToviProcess::pid() const {
    return m_process ? m_process->processId() : 0;
}

bool ToviProcess::waitForExit(int timeoutMs) {
    if (!isRunning())
        return true;
    const bool done = m_process->waitForFinished(timeoutMs);
    logLines();
    return done;
}

int ToviProcess::exitCode() const {
    return m_process ? m_process->exitCode() : -1;
}

QProcess::ExitStatus ToviProcess::exitStatus() const {
    return m_process ? m_process->exitStatus() : QProcess::CrashExit;
}

void ToviProcess::sendSignal(int number) const {
    if (isRunning())
        ::kill(pid_t(pid()), number);
}

bool ToviProcess::endsCleanlyOn(int number) {
    sendSignal(number);
    return waitForExit() && exitStatus() == QProcess::NormalExit && exitCode() == 0;
}

QStringList ToviProcess::logLines() {
    if (m_process)
        m_output += QString::fromUtf8(m_process->readAll());
    return m_output.split(u'\n', Qt::SkipEmptyParts);
}

QList<QByteArray> ToviProcess::eventLines() const {
    QList<QByteArray> lines;
    const QDir dir(eventsDirectory());
    for (const QString& name : dir.entryList({u"*.jsonl"_s}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : file.readAll().split('\n'))
            if (!line.isEmpty())
                lines.append(line);
    }
    return lines;
}

QList<QJsonObject> ToviProcess::events(const QString& type) const {
    QList<QJsonObject> events;
    for (const QByteArray& line : eventLines()) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (!event.isEmpty() && (type.isEmpty() || event.value("type"_L1).toString() == type))
            events.append(event);
    }
    return events;
}

int lightPixels(const QString& path, const QRect& area) {
    return Pixels::count(QImage(path), area, [](QRgb p) { return qGray(p) > 200; });
}

// The host's bar along the bottom draws the icons itself: find the glyph's yellow.
QPoint VirtualDesktop::statusNotifierIconCentre() const {
    const QImage image(screenshot(u"tray-bar"_s));
    QRect found;
    for (int y = std::max(0, image.height() - 40); y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 200 && qGreen(p) > 150 && qBlue(p) < 90)
                found |= QRect(x, y, 1, 1);
        }
    return found.isValid() ? found.center() : QPoint();
}

bool VirtualDesktop::trayIconShown() const {
    if (m_statusNotifierHost)
        return !statusNotifierIconCentre().isNull();
    return !windowsOfClass(u"tovi"_s).filter(QRegularExpression(u" (22x22|24x24|30x30)\\+"_s)).isEmpty();
}

QPoint VirtualDesktop::trayIconCentre() const {
    if (m_statusNotifierHost)
        return statusNotifierIconCentre();
    for (const QString& line : windowsOfClass(u"tovi"_s)) {
        if (!line.contains(u" 22x22+"_s))
            continue;
        const QString where = line.section(u' ', -1, -1, QString::SectionSkipEmpty); // "+X+Y"
        const QPoint p(where.section(u'+', 1, 1).toInt(), where.section(u'+', 2, 2).toInt());
        if (p.x() > 0 && p.y() > 0)
            return p + QPoint(11, 11);
    }
    return {};
}

QRect VirtualDesktop::trayMenuArea() const {
    const QPoint icon = trayIconCentre();
    return icon.isNull() ? QRect() : QRect(icon.x() - 300, icon.y() - 300, 600, 285);
}

bool VirtualDesktop::openTrayMenu(const QString& name, int timeoutMs) const {
    return waitUntil(
        [&] {
            const QRect area = trayMenuArea();
            if (!area.isNull() && lightPixels(screenshot(name), area) > 3000)
                return true;
            const QPoint icon = trayIconCentre();
            if (!icon.isNull()) {
                xdotool({u"mousemove"_s, QString::number(icon.x()), QString::number(icon.y()), u"click"_s,
                         u"1"_s});
                QTest::qWait(300);
            }
            return false;
        },
        timeoutMs);
}

QRect VirtualDesktop::windowGeometry(const QString& id) const {
    const QString out = xdotool({u"getwindowgeometry"_s, id}).output;
    const QString position = out.section(u"Position: "_s, 1).section(u' ', 0, 0);
    const QString size = out.section(u"Geometry: "_s, 1).section(u'\n', 0, 0).trimmed();
    return {position.section(u',', 0, 0).toInt(), position.section(u',', 1, 1).toInt(),
            size.section(u'x', 0, 0).toInt(), size.section(u'x', 1, 1).toInt()};
}
