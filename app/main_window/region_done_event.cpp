#include "app/main_window/region_done_event.h"

#include <QCoreApplication>

QEvent::Type CRegionDoneEvent::Kind()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void CWindowRegionListener::RegionDone(int level, int tag)
{
    QCoreApplication::postEvent(target, new CRegionDoneEvent(level, tag));
}
