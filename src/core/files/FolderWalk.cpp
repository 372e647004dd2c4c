#include "core/files/FolderWalk.h"

#include "core/playlist/NaturalOrder.h"
#include "core/playlist/PlaylistFiles.h"

#include <QFile>
#include <QSet>

#include <dirent.h>
#include <sys/stat.h>

namespace FolderWalk {

namespace {

struct Walk {
    int room;
    Result result;
    QSet<QPair<dev_t, ino_t>> seen;

    void folder(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        struct stat st;
        if (::stat(name.constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            seen.contains({st.st_dev, st.st_ino}))
            return;
        seen.insert({st.st_dev, st.st_ino});
        DIR* dir = ::opendir(name.constData());
        if (!dir)
            return;
        QStringList files, folders;
        while (const dirent* e = ::readdir(dir)) {
            if (e->d_name[0] == '.')
                continue; // hidden, and the folder itself and its parent
            const QString entry = QFile::decodeName(e->d_name);
            unsigned char type = e->d_type;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat target;
                const QByteArray full = name + '/' + e->d_name;
                if (::stat(full.constData(), &target) != 0)
                    continue;
                type = S_ISDIR(target.st_mode) ? DT_DIR : S_ISREG(target.st_mode) ? DT_REG : 0;
            }
            if (type == DT_DIR)
                folders.append(entry);
            else if (type == DT_REG && PlaylistFiles::isMediaName(entry))
                files.append(entry);
        }
        ::closedir(dir);
        const QString prefix = path.endsWith(u'/') ? path : path + u'/';
        for (const QString& f : NaturalOrder::sorted(files)) {
            if (result.files.size() < room)
                result.files.append(prefix + f);
            else
                ++result.leftOut;
        }
        for (const QString& f : NaturalOrder::sorted(folders))
            folder(prefix + f);
    }
};

} // namespace

Result mediaFiles(const QString& folder, int room) {
    Walk walk{std::max(room, 0), {}, {}};
    walk.folder(folder);
    return walk.result;
}

} // namespace FolderWalk
