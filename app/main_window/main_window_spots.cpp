// The spot review: the count, stepping from spot to spot, the veto, and the
// "show spots" view.
#include <QPainter>
#include <QPen>
#include <cmath>

#include "app/brush/brush_tool.h"
#include "app/control_panel/control_panel.h"
#include "app/main_window/main_window.h"
#include "engine/dust_engine.h"
#include "engine/spot_veto.h"
#include "view/rules/spot_view.h"
#include "view/rules/zoom_rules.h"
#include "workflow/spot_review.h"

namespace {

// Screen pixels between a spot's edge and the marker around it.
constexpr int kMarkerMargin = 6;
// The smallest side a spot is drawn with in "show spots".
constexpr int kSpotMinimumSide = 4;
const QColor kSpotColour(255, 0, 0);
const QColor kDimming(0, 0, 0, 150);

} // namespace

int CSpeckwashDlg::SpotUnderReview() const
{
    const EditSession& s = *session;
    if (!s.spots || s.spotMarker.IsEmpty() || s.spotVetoedSinceStep)
        return -1;
    return s.spotReview.Current();
}

void CSpeckwashDlg::RefreshSpots(bool atOnce)
{
    EditSession& s = *session;
    DustEngine* engine = s.engine.get();
    if (!engine || !s.spots)
        return;
    // Until the visible work is first done a count would only be partial.
    if (engine->Progress(1) >= 0.0f && !(atOnce && s.spotCountShown))
        return;
    const SpotPlanes planes { engine->DetectionMap(), engine->ManualMask(), engine->Source(), engine->WorkImage() };
    const bool rebuilt = s.spots->Refresh(planes, s.params.automation != 0);
    if (!rebuilt && s.spotCountShown)
        return;
    s.spotCountShown = true;
    const SpotList& list = s.spots->List();
    s.spotReview.Follow(list);
    if (panel)
        panel->ShowSpotCount(QString::fromStdString(SpotCountCaption(list.Count())));
    if (s.showSpots)
        update();
}

void CSpeckwashDlg::StepSpot(int step)
{
    EditSession& s = *session;
    if (!s.engine || !s.spots || !s.spotCountShown || brush->StrokeInProgress())
        return;
    const SpotList& list = s.spots->List();
    int i;
    if (s.spotVetoedSinceStep && step > 0)
        i = s.spotReview.Follow(list); // the spot after the vetoed one now stands at its place
    else
        i = step > 0 ? s.spotReview.Next(list) : s.spotReview.Previous(list);
    s.spotVetoedSinceStep = false;
    if (i < 0) {
        s.spotMarker = {};
        update();
        return;
    }
    GoToSpot(list.Spots()[static_cast<size_t>(i)]);
}

void CSpeckwashDlg::GoToSpot(const Spot& spot)
{
    EditSession& s = *session;
    // Centred first: the zoom resizes the region about its centre and clamps it.
    CentreOn(s.view.visible, static_cast<int>(std::lround(spot.centreX + 0.5)),
        static_cast<int>(std::lround(spot.centreY + 0.5)));
    ApplyZoomLevel(SpotZoomLevel(spot.box, imageArea, s.view.imageWidth, s.view.imageHeight));
    s.spotMarker = spot.box;
    if (panel)
        panel->NavigatorChanged();
    ReprioritiseVisible(true, 1);
    update();
}

void CSpeckwashDlg::VetoSpot()
{
    EditSession& s = *session;
    const int index = SpotUnderReview();
    if (!s.engine || index < 0 || brush->StrokeInProgress())
        return;
    SpotVeto veto = VetoForSpot(s.spots->List(), static_cast<size_t>(index));
    if (veto.runs.empty())
        return;
    const Rect box = veto.Bounds();
    const BrushStroke& stroke = s.strokes.AddVeto(std::move(veto));
    RequestVeto(*s.engine, *stroke.veto, s.params);
    s.modified = true;
    s.spotVetoedSinceStep = true;
    BrushChanged(); // Undo becomes available
    s.spots->Invalidate(box);
    RefreshSpots(true);
    update();
}

void CSpeckwashDlg::UndoStroke()
{
    EditSession& s = *session;
    const BrushStroke* last = s.strokes.Last();
    if (!last)
        return;
    const Rect box = last->Bounds();
    const std::shared_ptr<const SpotVeto> veto = last->veto;
    if (!brush->UndoLastStroke())
        return;
    if (!s.spots)
        return;
    // The mask is already as it was: the list follows at once.
    s.spots->Invalidate(box);
    RefreshSpots(true);
    if (veto && !veto->runs.empty() && s.spotCountShown) {
        // Back to the spot the veto had taken away, found by its first pixel.
        const auto& spots = s.spots->List().Spots();
        for (size_t i = 0; i < spots.size(); ++i)
            if (spots[i].firstX == veto->runs.front().x0 && spots[i].box.top == veto->runs.front().y) {
                s.spotReview.Select(s.spots->List(), static_cast<int>(i));
                s.spotMarker = spots[i].box;
                s.spotVetoedSinceStep = false;
                break;
            }
    }
    update();
}

void CSpeckwashDlg::SetShowSpots(bool on)
{
    if (!session->engine)
        return;
    session->showSpots = on;
    update();
}

void CSpeckwashDlg::PaintSpots(QPainter& painter, const Rect& area)
{
    const EditSession& s = *session;
    const Rect shown = Intersect(area, s.view.imageRect);
    if (shown.IsEmpty())
        return;
    painter.save();
    painter.setClipRect(shown.left, shown.top, shown.Width(), shown.Height());
    painter.fillRect(shown.left, shown.top, shown.Width(), shown.Height(), kDimming);
    if (s.spots) {
        const SpotList& list = s.spots->List();
        const Rect seen = VisibleImageRegion(s.view);
        for (const Spot& spot : list.Spots()) {
            if (Intersect(spot.box, seen).IsEmpty())
                continue;
            const Rect r = SpotOverlayRect(s.view, spot.box, kSpotMinimumSide);
            if (Intersect(r, shown).IsEmpty())
                continue;
            const Rect exact = ImageRectInWindow(s.view, spot.box);
            if (exact.Width() < kSpotMinimumSide || exact.Height() < kSpotMinimumSide) {
                // Too small to show its shape: a block a few pixels wide.
                painter.fillRect(r.left, r.top, r.Width(), r.Height(), kSpotColour);
                continue;
            }
            for (size_t k = spot.firstRun; k < spot.firstRun + spot.runCount; ++k) {
                const SpotRun& run = list.Runs()[k];
                const Rect w = ImageRectInWindow(s.view, { run.x0, run.y, run.x1, run.y + 1 });
                painter.fillRect(w.left, w.top, std::max(1, w.Width()), std::max(1, w.Height()), kSpotColour);
            }
        }
    }
    painter.restore();
}

void CSpeckwashDlg::PaintSpotMarker(QPainter& painter)
{
    const Rect r = SpotMarkerRect(session->view, session->spotMarker, kMarkerMargin);
    painter.save();
    // As the brush circle: a dotted ellipse that inverts what lies under it.
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRect(r.left, r.top, r.Width(), r.Height()));
    painter.restore();
}
