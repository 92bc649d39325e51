#pragma once
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/session/image_load.h"

// Runs each open on a thread of its own and hands the result to the window's
// thread, so that a large file never stops the window. Only the latest open is
// handed over: a new Start or a Cancel makes the one before stale, and its
// result is thrown away unseen (a decode cannot be interrupted, so its thread
// runs on to the end and is joined later).
class BackgroundOpen {
public:
    // `deliver` runs on `receiver`'s thread with the result of the latest open.
    using Delivery = std::function<void(const QString& path, std::shared_ptr<LoadedImage> image)>;
    BackgroundOpen(QObject* receiver, Delivery deliver);
    ~BackgroundOpen(); // cancels, waits for every thread, drops what was not handed over
    BackgroundOpen(const BackgroundOpen&) = delete;
    BackgroundOpen& operator=(const BackgroundOpen&) = delete;

    void Start(const QString& path, int tileSize, const Rect& navigatorArea, RegionListener* listener);
    void Cancel();
    // An open was started and neither handed over nor cancelled yet.
    bool Running() const { return awaiting; }
    // Waits for every thread to end. A result made meanwhile is already queued
    // to the receiver; it is handed over when the receiver's events are processed.
    void WaitForThreads();

private:
    struct Job {
        std::thread thread;
        std::atomic<bool> cancelled { false };
        std::atomic<bool> ended { false };
    };
    void JoinEnded();

    QObject* receiver;
    Delivery deliver;
    std::vector<std::unique_ptr<Job>> jobs; // started and not joined yet
    Job* latest = nullptr;
    uint64_t latestNumber = 0; // counts the opens started; a result carries its own
    bool awaiting = false;
};
