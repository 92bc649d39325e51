#include "view/thumbnail_provider.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QThread>
#include <algorithm>

#include "workflow/thumbnail.h"

CThumbnailProvider::CThumbnailProvider(int maxSide, QObject* parent)
    : QObject(parent)
    , maxSide(maxSide)
    , queue(std::make_shared<WorkQueue>())
{
    // Leave a core to the user-interface thread where there is one to spare,
    // and bound the number of full-size decodes held in memory at once.
    maxWorkers = std::clamp(QThread::idealThreadCount() - 1, 1, 4);
    pool.setMaxThreadCount(maxWorkers);
    pool.setThreadPriority(QThread::LowPriority);
}

CThumbnailProvider::~CThumbnailProvider()
{
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        queue->jobs.clear();
        ++queue->generation;
    }
    pool.waitForDone();
}

void CThumbnailProvider::SetExtensions(const QStringList& list)
{
    extensions.clear();
    for (const QString& extension : list)
        extensions.append(extension.toLower());
}

bool CThumbnailProvider::Offers(const QString& path) const
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return !suffix.isEmpty() && extensions.contains(suffix);
}

void CThumbnailProvider::SetFolder(const QString& newFolder)
{
    const QString cleaned = QDir::cleanPath(newFolder);
    if (cleaned == folder)
        return;
    folder = cleaned;
    entries.clear();
    outstanding = 0;
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->jobs.clear();
    // Previews of the old folder still being made are dropped on arrival.
    ++queue->generation;
}

const CThumbnailProvider::Entry* CThumbnailProvider::Find(const QString& path) const
{
    auto found = entries.constFind(path);
    return found == entries.constEnd() ? nullptr : &found.value();
}

bool CThumbnailProvider::Request(const QString& path, bool urgent)
{
    auto found = entries.find(path);
    if (found != entries.end()) {
        if (!urgent || found->urgent || found->state != State::Queued)
            return true;
        found->urgent = true;
        std::lock_guard<std::mutex> guard(queue->lock);
        auto& jobs = queue->jobs;
        auto waiting = std::find_if(jobs.begin(), jobs.end(), [&path](const Job& job) { return job.path == path; });
        if (waiting != jobs.end()) {
            Job job = *waiting;
            jobs.erase(waiting);
            jobs.push_front(job);
        }
        return true;
    }
    if (!Offers(path))
        return false;
    Entry& entry = entries[path];
    entry.urgent = urgent;
    ++outstanding;
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        Job job { path, queue->generation };
        if (urgent)
            queue->jobs.push_front(job);
        else
            queue->jobs.push_back(job);
    }
    StartWorkers();
    return true;
}

void CThumbnailProvider::StartWorkers()
{
    std::lock_guard<std::mutex> guard(queue->lock);
    const int wanted = std::min<int>(maxWorkers, static_cast<int>(queue->jobs.size()));
    while (queue->runningWorkers < wanted) {
        ++queue->runningWorkers;
        pool.start([this] { Drain(); });
    }
}

// Runs on a worker: takes jobs until the queue is empty.
void CThumbnailProvider::Drain()
{
    std::shared_ptr<WorkQueue> shared = queue;
    for (;;) {
        Job job;
        {
            std::lock_guard<std::mutex> guard(shared->lock);
            if (shared->jobs.empty()) {
                --shared->runningWorkers;
                return;
            }
            job = shared->jobs.front();
            shared->jobs.pop_front();
        }
        Thumbnail thumbnail;
        const QByteArray encoded = QFile::encodeName(job.path);
        QImage preview;
        QSize sourceSize;
        if ((decoder ? decoder(encoded.constData(), maxSide, thumbnail) : MakeThumbnail(encoded.constData(), maxSide, thumbnail))
            == FileOk) {
            // The QImage shares nothing with the worker's buffer once copied.
            preview = QImage(thumbnail.rgb.data(), thumbnail.width, thumbnail.height, thumbnail.width * 3,
                QImage::Format_RGB888)
                          .copy();
            sourceSize = QSize(thumbnail.sourceWidth, thumbnail.sourceHeight);
        }
        // The destructor waits for this worker, so the provider is alive here;
        // the queued call itself is dropped if the provider goes first.
        QMetaObject::invokeMethod(
            this, [this, path = job.path, generation = job.generation, preview, sourceSize] {
                Deliver(path, generation, preview, sourceSize);
            },
            Qt::QueuedConnection);
    }
}

void CThumbnailProvider::Deliver(const QString& path, int generation, const QImage& preview, QSize sourceSize)
{
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        if (generation != queue->generation)
            return;
    }
    auto found = entries.find(path);
    if (found == entries.end() || found->state != State::Queued)
        return;
    --outstanding;
    if (preview.isNull()) {
        found->state = State::Failed;
    } else {
        found->state = State::Ready;
        found->preview = QPixmap::fromImage(preview);
        found->sourceSize = sourceSize;
    }
    emit ThumbnailReady(path);
}
