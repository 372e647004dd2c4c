#pragma once

#include "core/files/VolumeList.h"

#include <QComboBox>
#include <QList>
#include <QString>
#include <QStringList>

// The drive list: a drop-down list of the drives (mounted volumes and the
// home folder), each shown as its root path with the volume's name in
// brackets. Its value is the current entry's text. changed() is sent only
// when the value really changes, by the user or by setDrive, never when it
// is set to what it already is and never by a re-read.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    // Reads the system's volumes; the current entry is the drive that holds
    // the home folder.
    explicit DriveList(QWidget* parent = nullptr);

    // Takes the volumes from source from now on (not owned, it must outlive
    // the list; null for the system's) and re-reads. The current entry stays
    // when the new source has it; otherwise the home folder's is current.
    void setSource(const VolumeSource* source);

    // The current entry's text, as the settings keep it.
    QString drive() const;
    // Makes the entry with this text current, sending changed() when it
    // differs from the current one (only when runChange). False, with the
    // list unchanged, when no entry has this text.
    bool setDrive(const QString& drive, bool runChange = true);

    // The entries' texts, in list order.
    QStringList drives() const;
    // The entry that holds a folder: the one with the longest root that
    // contains it; empty when none does.
    QString driveOf(const QString& folder) const;
    // The entry of the home folder.
    QString homeDrive() const;

    // The folder a change to this drive opens (its root), when the drive can
    // be read now; empty when it cannot (gone, not ready, no medium).
    QString folderOf(const QString& drive) const;

    // Re-reads the volumes. The current entry stays when it is still there;
    // otherwise the first entry becomes current. Sends no changed().
    void refresh();

signals:
    void changed(const QString& drive);

private:
    void indexChanged();
    const VolumeSource& source() const;

    const VolumeSource* m_source = nullptr;
    QList<Volume> m_entries;
    QString m_current;
    bool m_rereading = false;
};
