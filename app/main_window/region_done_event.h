#pragma once
#include <QEvent>
#include <QObject>

#include "engine/region_listener.h"

// A finished run of tiles, carried from the engine's worker to the window.
class CRegionDoneEvent : public QEvent {
public:
    CRegionDoneEvent(int level, int tag) : QEvent(Kind()), level(level), tag(tag) { }
    static QEvent::Type Kind();
    const int level;
    const int tag;
};

// The engine's listener for one window: posts, never waits, so the worker
// keeps going whatever the window is doing. Qt drops events still queued for
// a window that is deleted; engines are always stopped before their window goes.
class CWindowRegionListener : public RegionListener {
public:
    explicit CWindowRegionListener(QObject* target) : target(target) { }
    void RegionDone(int level, int tag) override;

private:
    QObject* target;
};
