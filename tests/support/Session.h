#pragma once

#include "TestEnv.h"
#include "Tones.h"
#include "core/playlist/PlsFormat.h"

#include <QDirIterator>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A user's session in a temporary folder, for starting the real program:
// its own home, configuration, data and runtime folders, the offscreen
// platform and no sound. The program runs as a copy inside the folder, so
// that everything it keeps beside itself stays there too.
class Session {
public:
    Session() {
        for (const char* sub : {"bin", "home", "config", "data", "cache", "run", "music"})
            QDir().mkpath(path(sub));
        QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::copy(QStringLiteral(JUKORA_BINARY), path("bin/jukora"));
        m_env = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"USERPROFILE", "DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WAYLAND_DISPLAY"})
            m_env.remove(QLatin1String(name));
        const std::pair<const char*, QString> vars[] = {
            {"HOME", path("home")},
            {"XDG_CONFIG_HOME", path("config")},
            {"XDG_DATA_HOME", path("data")},
            {"XDG_CACHE_HOME", path("cache")},
            {"XDG_RUNTIME_DIR", path("run")},
            {"QT_QPA_PLATFORM", QStringLiteral("offscreen")},
            {"JUKORA_AUDIO", QStringLiteral("null")}};
        for (const auto& [name, value] : vars)
            m_env.insert(QLatin1String(name), value);
    }
    ~Session() {
        for (auto& p : m_started) {
            p->kill();
            p->waitForFinished(5000);
        }
    }

    QString path(const QString& name) const { return m_dir.path() + u'/' + name; }
    // Short songs in the session folder.
    void songs(std::initializer_list<const char*> names) const {
        for (const char* name : names)
            writeBytes(path(QLatin1String(name)), Tones::wavBytes(0.2, 440.0, 8000));
    }
    // The socket of the one running copy on the offscreen platform.
    QString socket() const { return path("run/jukora-offscreen.socket"); }

    QProcessEnvironment environment() const { return m_env; }

    // Starts the program with these arguments in the music folder.
    QProcess* launch(const QStringList& args = {}) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(m_env);
        p->setWorkingDirectory(path("music"));
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(path("bin/jukora"), args);
        p->waitForStarted();
        m_started.push_back(std::move(p));
        return m_started.back().get();
    }

    // The autosaved playlist, wherever in the session the program keeps it.
    QStringList saved() const {
        QDirIterator it(m_dir.path(), {QStringLiteral("jukora.pls")}, QDir::Files,
                        QDirIterator::Subdirectories);
        return it.hasNext() ? PlsFormat::read(it.next()) : QStringList();
    }

    // Whether a running copy answers on the socket (a probe that sends
    // nothing is dropped by it).
    bool answers() const {
        QLocalSocket probe;
        probe.connectToServer(socket());
        return probe.waitForConnected(1000);
    }

    // Whether a launch ends, and without a failure, within ms.
    static bool endsWell(QProcess* p, int ms = 20000) {
        return (p->state() == QProcess::NotRunning || p->waitForFinished(ms)) &&
               p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0;
    }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
    std::vector<std::unique_ptr<QProcess>> m_started;
};
