#include "core/playback/PlaybackController.h"

#include "core/playback/NextSong.h"
#include "core/playlist/PathNames.h"
#include "core/playlist/PlaylistModel.h"

#include <QItemSelectionModel>

#include <algorithm>

PlaybackController::PlaybackController(AppState& state, PlaylistModel& model,
                                       QItemSelectionModel& selection, MediaControl& player1,
                                       MediaControl& player2, PlaybackHost& host)
    : m_state(state), m_model(model), m_selection(model, selection), m_player1(player1),
      m_player2(player2), m_host(host) {
    // Whatever the next-song rule reads.
    auto inputs = [this] { requeue(); };
    m_state.currentIndex.onChange(inputs);
    m_state.listPlaying.onChange(inputs);
    m_state.singleSong.onChange(inputs);
    for (Watched<QString>* file : {&m_state.player1File, &m_state.player2File})
        file->onChange([this] { emit playersChanged(); });
    m_state.loop.onChange([this] {
        requeue();
        emit loopChanged(m_state.loop);
    });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, inputs);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, inputs);
    connect(&m_model, &QAbstractItemModel::rowsMoved, this, inputs);
    connect(&m_model, &QAbstractItemModel::modelReset, this, inputs);
    connect(&m_model, &QAbstractItemModel::layoutChanged, this, inputs);
    connect(&m_model, &QAbstractItemModel::dataChanged, this, inputs);
    connect(&selection, &QItemSelectionModel::currentChanged, this, inputs);

    connect(&m_player1, &MediaControl::PlayStateChange, this,
            &PlaybackController::player1StateChanged);
    connect(&m_player1, &MediaControl::mediaError, this, &PlaybackController::player1Error);
    // The end of Player 2's song leaves Player 1 and its run as they are: a
    // cued song is heard beside the list, never instead of it.
    connect(&m_player2, &MediaControl::mediaError, this,
            [this](const QString& path) { report(path); });
    for (MediaControl* engine : {&m_player1, &m_player2}) {
        engine->setVolume(m_state.volume);
        connect(engine, &MediaControl::volumeChanged, this, &PlaybackController::setVolume);
    }
}

PlaybackController::~PlaybackController() {
    for (Watched<int>* w : {&m_state.currentIndex, &m_state.loop})
        w->onChange({});
    for (Watched<bool>* w : {&m_state.listPlaying, &m_state.singleSong})
        w->onChange({});
    for (Watched<QString>* w : {&m_state.player1File, &m_state.player2File})
        w->onChange({});
}

// ---------------------------------------------------------------------------
// The commands

void PlaybackController::playList() {
    // A run the user starts tries every file afresh.
    m_failed.clear();
    m_failedInRow = 0;
    startList();
}

void PlaybackController::startList() {
    const Batch batch(*this);
    m_host.saveSettings();
    m_state.singleSong = false;
    if (m_model.count() == 0) {
        m_host.message(QStringLiteral("Error! No songs in playlist."));
        return;
    }
    if (m_model.text(m_state.currentIndex).isEmpty())
        m_state.currentIndex = 0;
    m_selection.setSelected(m_state.currentIndex, true);
    m_state.player1File = m_model.text(m_state.currentIndex);
    m_state.listPlaying = true;
    m_state.loadPending = true;
    m_host.showPlayer(1);
    loadOrGoOn(m_state.player1File);
}

void PlaybackController::playSong() {
    const Batch batch(*this);
    m_failed.clear();
    const int focused = m_selection.focusedPosition();
    m_state.currentIndex = focused;
    m_state.player1File = m_model.text(focused);
    m_state.listPlaying = true;
    m_state.loadPending = true;
    m_state.singleSong = true;
    m_host.showPlayer(1);
    if (!tryLoadPlayer1())
        continueAfterFailure(m_state.player1File);
}

void PlaybackController::play2Song() {
    const int focused = m_selection.focusedPosition();
    m_state.currentIndex = focused;
    m_state.player2File = m_model.text(focused);
    m_state.player2Cued = true;
    m_host.showPlayer(2);
    loadPlayer2();
}

void PlaybackController::stopAll() {
    const Batch batch(*this);
    if (m_host.isPlayerOpen(1)) {
        m_state.listPlaying = false;
        loadPlayer1();
        m_host.closePlayer(1);
    }
    if (m_host.isPlayerOpen(2)) {
        m_state.player2Cued = false;
        loadPlayer2();
        m_host.closePlayer(2);
    }
}

// ---------------------------------------------------------------------------
// The next-song rule

void PlaybackController::advance() {
    const Batch batch(*this);
    // Each round plays the next entry; a file that cannot be played sends
    // the rule round once more, until one plays or the run ends.
    for (;;) {
        if (!m_state.loadPending || !m_state.listPlaying) {
            m_host.closePlayer(1);
            m_host.restoreMainWindow();
            return;
        }
        if (m_state.singleSong) {
            if (m_state.loop == 1) {
                playSong();
            } else {
                m_state.singleSong = false;
                m_state.listPlaying = false;
            }
            return;
        }
        m_selection.setSelected(m_state.currentIndex, false);
        if (m_state.currentIndex < PlaylistModel::MaxEntries)
            ++m_state.currentIndex;
        if (m_model.text(m_state.currentIndex).isEmpty()) {
            if (m_state.loop == 1) {
                startList();
            } else {
                m_state.listPlaying = false;
                m_host.closePlayer(1);
                m_host.restoreMainWindow();
            }
            return;
        }
        m_selection.setSelected(m_state.currentIndex, true);
        m_state.player1File = m_model.text(m_state.currentIndex);
        if (tryLoadPlayer1() || !continueAfterFailure(m_state.player1File))
            return;
        m_state.loadPending = true;
    }
}

// ---------------------------------------------------------------------------
// The players

QString PlaybackController::caption(int player, const QString& file) const {
    return QStringLiteral("Player %1: ").arg(player) +
           (m_songName ? m_songName(file) : PathNames::fileName(file));
}

void PlaybackController::refreshCaptions() {
    for (int player : {1, 2}) {
        const QString file = engine(player).URL();
        if (m_host.isPlayerOpen(player) && !file.isEmpty())
            m_host.setPlayerCaption(player, caption(player, file));
    }
}

bool PlaybackController::tryLoadPlayer1() {
    if (m_state.loadPending) {
        m_state.loadPending = false;
        const QString file = m_state.player1File;
        // A file that failed once in this run is not tried again. One is
        // loaded halted when no run is on: nothing is heard of a file that
        // is stopped at once.
        if (m_failed.contains(file) || !m_player1.setURL(file, m_state.listPlaying))
            return false;
        m_host.setPlayerCaption(1, caption(1, file));
    }
    if (!m_state.listPlaying)
        m_player1.stop();
    emit changed();
    return true;
}

void PlaybackController::playNext() {
    m_state.loadPending = true;
    advance();
}

void PlaybackController::loadOrGoOn(const QString& file) {
    if (!tryLoadPlayer1() && continueAfterFailure(file))
        playNext();
}

void PlaybackController::loadPlayer1() {
    const Batch batch(*this);
    if (!tryLoadPlayer1())
        continueAfterFailure(m_state.player1File);
}

void PlaybackController::loadPlayer2() {
    const QString file = m_state.player2File;
    // Loaded halted: Player 2 never sounds until it is started.
    if (!m_player2.setURL(file, false)) {
        report(file);
        return;
    }
    m_host.setPlayerCaption(2, caption(2, file));
    m_player2.stop();
    m_player2.pause();
    if (!m_state.player2Cued)
        m_player2.stop();
}

void PlaybackController::dropOnPlayer(int player, const QString& path) {
    const Batch batch(*this);
    if (player == 2) {
        m_player2.stop();
        m_state.player2File = path;
        loadPlayer2();
        return;
    }
    m_player1.stop();
    m_state.player1File = path;
    m_state.loadPending = true;
    m_failed.remove(path);
    loadOrGoOn(path);
}

void PlaybackController::player1StateChanged(int) {
    const int state = m_player1.playState();
    if (state == MediaControl::Playing)
        m_failedInRow = 0;
    emit changed();
    if (state != MediaControl::MediaEnded || !m_host.isPlayerOpen(1))
        return;
    playNext();
}

void PlaybackController::player1Error(const QString& path) {
    if (!m_host.isPlayerOpen(1) || path != m_player1.URL())
        return;
    if (continueAfterFailure(path))
        playNext();
}

// ---------------------------------------------------------------------------
// Files that cannot be played

bool PlaybackController::continueAfterFailure(const QString& path) {
    if (!m_failed.contains(path)) {
        m_failed.insert(path);
        report(path);
        requeue();
    }
    if (!m_state.listPlaying)
        return false;
    if (m_state.singleSong) {
        // The same song again could only fail again.
        m_state.singleSong = false;
        m_state.listPlaying = false;
        return false;
    }
    // A run in which every entry has failed in a row could only go on
    // failing.
    if (++m_failedInRow >= std::max(1, m_model.count())) {
        endRun();
        return false;
    }
    return true;
}

void PlaybackController::endRun() {
    m_failedInRow = 0;
    m_state.listPlaying = false;
    m_host.closePlayer(1);
    m_host.restoreMainWindow();
}

void PlaybackController::report(const QString& path) {
    // One message at a time, shown once the command is done: the run goes
    // on while it is open.
    if (m_messageOpen)
        return;
    m_messageOpen = true;
    const QString text = mediaErrorText() + QStringLiteral("\n\n") + path;
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            m_host.message(text);
            m_messageOpen = false;
        },
        Qt::QueuedConnection);
}

// ---------------------------------------------------------------------------
// The queue, Loop, the volume and the desktop's Next and Previous

int PlaybackController::entryCount() const {
    return m_model.count();
}

bool PlaybackController::isListRun() const {
    return m_host.isPlayerOpen(1) && m_state.listPlaying && !m_state.singleSong;
}

QString PlaybackController::expectedNext() const {
    if (!m_host.isPlayerOpen(1))
        return QString();
    return expectedNextFile({m_model.entries(), m_state.currentIndex, m_selection.focusedPosition(),
                             m_state.listPlaying, m_state.singleSong, m_state.loop,
                             [this](const QString& file) {
                                 return !m_failed.contains(file) && m_player1.canOpen(file);
                             }});
}

void PlaybackController::requeue() {
    if (m_batch > 0)
        return;
    m_player1.queueNext(expectedNext());
    emit changed();
}

void PlaybackController::setLoop(int value) {
    m_state.loop = value;
}

void PlaybackController::setVolume(int volume) {
    volume = std::clamp(volume, 0, 100);
    if (volume == m_state.volume)
        return;
    m_state.volume = volume;
    m_player1.setVolume(volume);
    m_player2.setVolume(volume);
    emit volumeChanged(volume);
}

bool PlaybackController::canGoNext() const {
    if (isListRun())
        return !expectedNext().isEmpty();
    return !m_model.text(m_state.currentIndex + 1).isEmpty();
}

bool PlaybackController::canGoPrevious() const {
    return !m_model.text(m_state.currentIndex - 1).isEmpty();
}

void PlaybackController::next() {
    if (!canGoNext())
        return;
    const Batch batch(*this);
    if (isListRun()) {
        // What the end of the song does.
        playNext();
        return;
    }
    m_selection.setFocusedPosition(m_state.currentIndex + 1);
    playSong();
}

void PlaybackController::previous() {
    if (!canGoPrevious())
        return;
    const Batch batch(*this);
    const int target = m_state.currentIndex - 1;
    if (!isListRun()) {
        m_selection.setFocusedPosition(target);
        playSong();
        return;
    }
    // The list run steps back one entry and goes on from there.
    m_selection.setSelected(m_state.currentIndex, false);
    m_state.currentIndex = target;
    m_selection.setSelected(target, true);
    m_state.player1File = m_model.text(target);
    m_state.loadPending = true;
    loadOrGoOn(m_state.player1File);
}
