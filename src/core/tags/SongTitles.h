#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// A song as the playlist shows it with song titles on: "Artist - Title" from
// its tags (the file name where the tag has no title, the title alone where
// it has no artist), and its length where the file's headers tell it.
struct SongTitle {
    QString text;
    int seconds = -1;
};

// Song titles read from the files on a worker thread and kept for the run.
// The list asks for the rows it shows; what was asked last is read first,
// and asks not yet begun give way to newer ones, so that a list scrolled
// through fast reads what is on screen now, not what was on it before.
class SongTitles : public QObject {
    Q_OBJECT
public:
    // Asks waiting beyond this many are dropped, the oldest first.
    static constexpr int kQueueLimit = 256;

    explicit SongTitles(QObject* parent = nullptr);
    ~SongTitles() override;

    // The title of path once read, else null.
    const SongTitle* find(const QString& path) const;
    // Has the title of path read, unless it is known or asked for already:
    // soon (a row on screen), or after those (a row near it).
    void request(const QString& path, bool soon = true);
    // The title of path, read now when it is not known yet.
    SongTitle title(const QString& path);
    // How many titles are known.
    qsizetype count() const { return m_known.size(); }

    // The title from the file's tags.
    static SongTitle read(const QString& path);
    // A length as "3:07" or "1:02:03"; empty when it is unknown.
    static QString lengthText(int seconds);

signals:
    // Titles asked for have been read (several at a time).
    void titlesRead();

private:
    void work();
    void deliver();

    // The main thread's own.
    QHash<QString, SongTitle> m_known;
    QSet<QString> m_asked; // asked for, not read yet
    // Shared with the worker.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<QString> m_queue; // the front is read first
    std::vector<std::pair<QString, SongTitle>> m_read;
    bool m_deliveryPosted = false;
    bool m_stop = false;
    std::thread m_worker;
};
