#pragma once

#include <QDBusConnection>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>

class QIODevice;

// `tovi VERB ...`: talks to the running Tovi over the session bus and exits;
// `export` reads the event files itself. Exit status 0 on success, 1 when no
// Tovi answers or it refuses, 2 for a usage error.
namespace CommandLine {

constexpr int success = 0;
constexpr int failure = 1;
constexpr int usageError = 2;

// Whether these arguments ask for the command line rather than the tray
// program. Single-dash options (-platform, -session from the session
// manager) still belong to the toolkit and so to the tray program.
bool wanted(int argc, char** argv);

// Everything one run reads and writes, handed in so that tests can stand in.
struct Context {
    QIODevice* out = nullptr;
    QIODevice* err = nullptr;
    QDateTime now;
    // Connected on first use: export and help need no bus.
    std::function<QDBusConnection()> bus;
    QString eventsDirectory;
    QString version;
};

// Runs one command (`arguments` without the program name); the exit status.
int run(const QStringList& arguments, const Context& context);

// The process's entry: a core application only, so no display is needed.
int main(int argc, char** argv);

} // namespace CommandLine
