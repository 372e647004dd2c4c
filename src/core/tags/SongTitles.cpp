#include "core/tags/SongTitles.h"

#include "core/playlist/PathNames.h"
#include "core/tags/SongTags.h"

#include <QMetaObject>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

SongTitles::SongTitles(QObject* parent) : QObject(parent) {}

SongTitles::~SongTitles() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

const SongTitle* SongTitles::find(const QString& path) const {
    const auto it = m_known.constFind(path);
    return it == m_known.cend() ? nullptr : &it.value();
}

void SongTitles::request(const QString& path, bool soon) {
    if (m_known.contains(path) || m_asked.contains(path))
        return;
    m_asked.insert(path);
    {
        const std::lock_guard lock(m_mutex);
        soon ? m_queue.push_front(path) : m_queue.push_back(path);
        while (m_queue.size() > size_t(kQueueLimit)) {
            m_asked.remove(m_queue.back());
            m_queue.pop_back();
        }
    }
    // The thread starts with the first ask, not with the program.
    if (!m_worker.joinable())
        m_worker = std::thread([this] { work(); });
    m_wake.notify_one();
}

SongTitle SongTitles::title(const QString& path) {
    if (const SongTitle* known = find(path))
        return *known;
    const SongTitle t = read(path);
    m_known.insert(path, t);
    return t;
}

SongTitle SongTitles::read(const QString& path) {
    const Tags::SongTags tags = Tags::readSongTags(path, true);
    const QString title = tags.title.trimmed(), artist = tags.artist.trimmed();
    const QString name = title.isEmpty() ? PathNames::fileName(path) : title;
    return {artist.isEmpty() ? name : artist + QStringLiteral(" - ") + name, tags.seconds};
}

QString SongTitles::lengthText(int seconds) {
    if (seconds < 0)
        return {};
    const auto twoDigits = [](int n) {
        return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    };
    if (seconds < 3600)
        return QString::number(seconds / 60) + u':' + twoDigits(seconds % 60);
    return QString::number(seconds / 3600) + u':' + twoDigits(seconds / 60 % 60) + u':' +
           twoDigits(seconds % 60);
}

void SongTitles::work() {
#ifdef __linux__
    // Below the window's thread: a list scrolled on a busy machine moves
    // first, and its titles follow.
    ::setpriority(PRIO_PROCESS, ::gettid(), 10);
#endif
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
        if (m_stop)
            return;
        const QString path = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        SongTitle t = read(path);
        lock.lock();
        m_read.emplace_back(path, std::move(t));
        if (!m_deliveryPosted) {
            m_deliveryPosted = true;
            QMetaObject::invokeMethod(this, &SongTitles::deliver, Qt::QueuedConnection);
        }
    }
}

void SongTitles::deliver() {
    std::vector<std::pair<QString, SongTitle>> read;
    {
        const std::lock_guard lock(m_mutex);
        read.swap(m_read);
        m_deliveryPosted = false;
    }
    for (auto& [path, t] : read) {
        m_asked.remove(path);
        m_known.insert(path, std::move(t));
    }
    if (!read.empty())
        emit titlesRead();
}
