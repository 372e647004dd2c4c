#include "ui/common/ProgressTask.h"

#include "core/Version.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

void runWithProgress(QWidget* owner, const QString& label, int steps,
                     const std::function<void(const HtmlPage::Progress&)>& job) {
    std::atomic<bool> cancel = false;
    std::atomic<int> done = 0;
    const HtmlPage::Progress progress{[&done](int n) { done = n; }, &cancel};
    const std::unique_ptr<QThread> worker(QThread::create([&] { job(progress); }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    if (worker->wait(QDeadlineTimer(50)))
        return;
    QProgressDialog dialog(label, QStringLiteral("Cancel"), 0, steps, owner);
    dialog.setWindowTitle(Version::productName());
    dialog.setWindowModality(Qt::WindowModal);
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&cancel] { cancel = true; });
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &dialog, [&] {
        if (dialog.wasCanceled()) // also closed with Esc
            cancel = true;
        else
            dialog.setValue(done);
    });
    timer.start(50);
    dialog.show();
    loop.exec(); // till the job is done, or the program ends
    if (!worker->isFinished())
        cancel = true;
    worker->wait();
}
