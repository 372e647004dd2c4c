// Any bytes as the body of a hand-over from a later launch, and as the
// files it hands over (the UTF-8 texts between the NULs). Beside the
// sanitizers' own checks: no name read holds a NUL, and a message read
// back gives its files, each as it was.
#include "desktop/SingleInstance.h"

#include <QByteArray>
#include <QtEndian>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_handover: %s\n", what);
        std::abort();
    }
}

// The files of a message, after checking its head.
std::optional<QStringList> readBack(const QByteArray& message) {
    require(message.size() >= 8 && message.startsWith("JKF2") &&
                qFromBigEndian<quint32>(message.constData() + 4) == quint32(message.size() - 8),
            "a message with a wrong head");
    return SingleInstance::parseBody(QByteArrayView(message).sliced(8));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(data, qsizetype(size));
    if (const std::optional<QStringList> files = SingleInstance::parseBody(bytes)) {
        for (const QString& f : *files)
            require(!f.contains(QChar(0)), "a NUL in a name");
        require(readBack(SingleInstance::message(*files)) == files,
                "the files read do not hand over again");
    }

    QStringList files;
    for (const QByteArray& name : bytes.toByteArray().split('\0'))
        files << QString::fromUtf8(name);
    require(readBack(SingleInstance::message(files)) == files, "files that do not hand over");
    return 0;
}
