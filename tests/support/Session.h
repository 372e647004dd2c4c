#pragma once

#include "TestEnv.h"
#include "Tones.h"

#include "core/playlist/PlsFormat.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

// A connection to the socket that has sent bytes, as any program could make
// it; -1 when none could be made.
inline int rawConnection(const QString& socket, const QByteArray& bytes = {}) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a = {};
    a.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socket);
    std::memcpy(a.sun_path, path.constData(), std::min(size_t(path.size()), sizeof a.sun_path - 1));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size())
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// A session in a temporary folder with its own home and XDG folders, the
// program inside (JUKORA_BINARY), for starting the real program.
struct Session {
    QTemporaryDir dir;
    QProcessEnvironment env;
    std::vector<std::unique_ptr<QProcess>> started;
    Session() {
        for (const char* sub : {"bin", "home", "config", "data", "cache", "run", "music"})
            QDir().mkpath(path(sub));
        QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::copy(QStringLiteral(JUKORA_BINARY), path("bin/jukora"));
        env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"USERPROFILE", "DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
        for (const auto& [name, sub] : {std::pair{"HOME", "home"},
                                        {"XDG_CONFIG_HOME", "config"},
                                        {"XDG_DATA_HOME", "data"},
                                        {"XDG_CACHE_HOME", "cache"},
                                        {"XDG_RUNTIME_DIR", "run"}})
            env.insert(QLatin1String(name), path(QLatin1String(sub)));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("JUKORA_AUDIO"), QStringLiteral("null"));
    }
    ~Session() {
        for (auto& p : started) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    QString path(const QString& name) const { return dir.path() + u'/' + name; }
    // Short songs in the session folder.
    void songs(std::initializer_list<const char*> names) const {
        for (const char* name : names)
            writeBytes(path(QLatin1String(name)), Tones::wavBytes(0.2, 440.0, 8000));
    }
    // The socket of the one running copy on the offscreen platform.
    QString socket() const { return path("run/jukora-offscreen.socket"); }
    // Starts the program with these arguments in the music folder.
    QProcess* launch(const QStringList& args = {}) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(path("music"));
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(path("bin/jukora"), args);
        p->waitForStarted();
        started.push_back(std::move(p));
        return started.back().get();
    }
    // The autosaved playlist, wherever in the session the program keeps it.
    QStringList saved() const {
        QDirIterator it(dir.path(), {QStringLiteral("jukora.pls")}, QDir::Files,
                        QDirIterator::Subdirectories);
        return it.hasNext() ? PlsFormat::read(it.next()) : QStringList();
    }
    // Whether a running copy answers on the socket.
    bool answers() const {
        const int fd = rawConnection(socket());
        if (fd >= 0)
            ::close(fd);
        return fd >= 0;
    }
    // Whether a launch ends, and without a failure, within ms.
    static bool endsWell(QProcess* p, int ms = 20000) {
        return (p->state() == QProcess::NotRunning || p->waitForFinished(ms)) &&
               p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
    }
};
