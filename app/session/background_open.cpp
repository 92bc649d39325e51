#include "app/session/background_open.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>

BackgroundOpen::BackgroundOpen(QObject* receiver, Delivery deliver)
    : receiver(receiver)
    , deliver(std::move(deliver))
{
}

BackgroundOpen::~BackgroundOpen()
{
    Cancel();
    WaitForThreads();
    // A result queued before the cancel must not be handed to a receiver
    // that is going away; dropping it here frees its engine and image.
    QCoreApplication::removePostedEvents(receiver, QEvent::MetaCall);
}

void BackgroundOpen::Start(const QString& path, int tileSize, const Rect& navigatorArea, RegionListener* listener)
{
    Cancel();
    JoinEnded();
    auto job = std::make_unique<Job>();
    Job* raw = job.get();
    const uint64_t number = ++latestNumber;
    latest = raw;
    awaiting = true;
    const std::string localPath = path.toLocal8Bit().toStdString();
    raw->thread = std::thread([this, raw, number, path, localPath, tileSize, navigatorArea, listener] {
        std::shared_ptr<LoadedImage> image
            = LoadImageForEditing(localPath, tileSize, navigatorArea, listener, raw->cancelled);
        if (!raw->cancelled.load()) {
            // Checked again on arrival: a cancel may come while the result waits in the queue.
            QMetaObject::invokeMethod(
                receiver,
                [this, number, path, image]() mutable {
                    if (number != latestNumber || !awaiting)
                        return;
                    awaiting = false;
                    latest = nullptr;
                    deliver(path, std::move(image));
                },
                Qt::QueuedConnection);
        }
        // A stale image is freed here, away from the window's thread.
        image.reset();
        raw->ended.store(true);
    });
    jobs.push_back(std::move(job));
}

void BackgroundOpen::Cancel()
{
    if (latest)
        latest->cancelled.store(true);
    latest = nullptr;
    awaiting = false;
}

void BackgroundOpen::JoinEnded()
{
    auto ended = std::stable_partition(jobs.begin(), jobs.end(), [](const auto& job) { return !job->ended.load(); });
    for (auto it = ended; it != jobs.end(); ++it) {
        (*it)->thread.join();
        if (it->get() == latest)
            latest = nullptr; // its result is queued or was handed over: nothing left to cancel
    }
    jobs.erase(ended, jobs.end());
}

void BackgroundOpen::WaitForThreads()
{
    for (auto& job : jobs)
        job->thread.join();
    jobs.clear();
    latest = nullptr;
}
