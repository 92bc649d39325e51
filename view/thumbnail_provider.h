#pragma once
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// Makes previews of the image files of one folder off the user-interface
// thread and keeps them for as long as the folder is shown.
//
// The view asks for the preview of each file it paints (Find, then Request);
// the answer is immediate: the preview when it is ready, nothing while it is
// being made or when it failed. Files are decoded by a small pool of worker
// threads, newest urgent request first, so that what the user is looking at
// comes before the rest of the folder; each finished preview is handed back
// to the user-interface thread and announced with ThumbnailReady.
class CThumbnailProvider : public QObject {
    Q_OBJECT
public:
    enum class State { Queued, Ready, Failed };
    struct Entry {
        State state = State::Queued;
        QPixmap preview; // set when Ready
        QSize sourceSize; // the file's own size, set when Ready
        bool urgent = false; // moved ahead of the folder's other files once
    };

    // `maxSide` bounds the longer side of every preview.
    explicit CThumbnailProvider(int maxSide, QObject* parent = nullptr);
    // Drops what is queued and waits for the previews being made.
    ~CThumbnailProvider() override;

    // Only files whose name ends in one of these extensions (lower case,
    // without the dot) get a preview; the rest keep their generic icon.
    void SetExtensions(const QStringList& extensions);
    bool Offers(const QString& path) const;

    // Forgets every preview and everything queued when `folder` differs
    // from the folder shown so far.
    void SetFolder(const QString& folder);

    // The entry for the path, or null when it was never requested.
    const Entry* Find(const QString& path) const;
    // Queues the file unless it is known already; an urgent request also
    // moves a file that waits behind the rest of the folder to the front.
    // False when the file is not offered.
    bool Request(const QString& path, bool urgent);

    // Files queued or being made.
    int Outstanding() const { return outstanding; }
    int MaxSide() const { return maxSide; }
    // What decodes a file into a preview (0 on success); MakeThumbnail unless
    // replaced, which tests do to hold a worker inside a file. Set it before
    // the first request.
    using Decoder = std::function<int(const char* path, int maxSide, struct Thumbnail& out)>;
    void SetDecoder(Decoder replacement) { decoder = std::move(replacement); }

signals:
    void ThumbnailReady(const QString& path);

private:
    struct Job {
        QString path;
        int generation = 0;
    };
    // State shared with the workers; they never touch the provider itself
    // except through a queued call, which Qt drops once the provider is gone.
    struct WorkQueue {
        std::mutex lock;
        std::deque<Job> jobs;
        int generation = 0;
        int runningWorkers = 0;
    };

    void StartWorkers();
    void Drain();
    void Deliver(const QString& path, int generation, const QImage& preview, QSize sourceSize);

    const int maxSide;
    int maxWorkers;
    QStringList extensions;
    QString folder;
    QHash<QString, Entry> entries;
    int outstanding = 0;
    Decoder decoder;
    std::shared_ptr<WorkQueue> queue;
    QThreadPool pool;
};
