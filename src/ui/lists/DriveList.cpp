#include "ui/lists/DriveList.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool contains(const QString& root, const QString& folder) {
    if (root == QLatin1String("/"))
        return folder.startsWith(u'/');
    return folder == root || folder.startsWith(root + u'/');
}

} // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { indexChanged(); });
    refresh();
    setDrive(homeDrive(), false);
}

const VolumeSource& DriveList::source() const {
    return m_source ? *m_source : SystemVolumes::instance();
}

void DriveList::setSource(const VolumeSource* source) {
    const QString before = m_current;
    m_source = source;
    refresh();
    if (m_current != before)
        setDrive(homeDrive(), false);
}

QString DriveList::drive() const {
    return m_current;
}

QStringList DriveList::drives() const {
    QStringList out;
    out.reserve(m_entries.size());
    for (const Volume& v : m_entries)
        out << v.text();
    return out;
}

bool DriveList::setDrive(const QString& drive, bool runChange) {
    const int row = findText(drive, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (row < 0)
        return false;
    if (row == currentIndex() && m_current == drive)
        return true;
    // A quiet change is recorded like a re-read: no changed().
    m_rereading = !runChange;
    setCurrentIndex(row);
    m_rereading = false;
    return true;
}

void DriveList::indexChanged() {
    const QString now = currentIndex() >= 0 ? itemText(currentIndex()) : QString();
    if (m_rereading) {
        m_current = now;
        return;
    }
    if (now == m_current)
        return;
    m_current = now;
    emit changed(now);
}

QString DriveList::driveOf(const QString& folder) const {
    const QString path = QDir::cleanPath(folder);
    const Volume* best = nullptr;
    for (const Volume& v : m_entries) {
        if (contains(v.root, path) && (!best || v.root.size() > best->root.size()))
            best = &v;
    }
    return best ? best->text() : QString();
}

QString DriveList::homeDrive() const {
    for (const Volume& v : m_entries) {
        if (v.home)
            return v.text();
    }
    return driveOf(QDir::homePath());
}

QString DriveList::folderOf(const QString& drive) const {
    QString root;
    for (const Volume& v : m_entries) {
        if (v.text() == drive) {
            root = v.root;
            break;
        }
    }
    if (root.isEmpty())
        return QString();
    // The volume must still be mounted: ask the source again.
    for (const Volume& v : VolumeList::entries(source())) {
        if (v.root != root)
            continue;
        const QFileInfo info(v.currentFolder());
        if (info.isDir() && info.isReadable())
            return v.currentFolder();
        break;
    }
    return QString();
}

void DriveList::refresh() {
    m_entries = VolumeList::entries(source());
    const QString keep = m_current;
    m_rereading = true;
    clear();
    for (const Volume& v : m_entries)
        addItem(v.text(), v.root);
    int row = findText(keep, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (row < 0 && count() > 0)
        row = 0;
    setCurrentIndex(row);
    m_rereading = false;
    m_current = row >= 0 ? itemText(row) : QString();
}
