#include "app/main_window/main_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QWheelEvent>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>
#include <QRegion>

#include "app/brush/brush_tool.h"
#include "app/control_panel/control_panel.h"
#include "app/dialogs/prompts.h"
#include "app/main_window/region_done_event.h"
#include "app/session/background_open.h"
#include "app/settings/settings_access.h"
#include "engine/dust_engine.h"
#include "view/image_view_painter.h"
#include "view/rules/brush_tip.h"
#include "view/rules/paint_region.h"
#include "view/rules/zoom_rules.h"
#include "view/ui_resources.h"
#include "workflow/dust_parameter_rules.h"

CSpeckwashDlg::CSpeckwashDlg(QWidget* parent)
    : QDialog(parent)
    , prompter(std::make_unique<DialogPrompter>())
    , listener(std::make_unique<CWindowRegionListener>(this))
    , session(std::make_unique<EditSession>(true, FreshStartDustParams()))
    , brush(std::make_unique<CBrushTool>(static_cast<BrushSurface&>(*this)))
    , opener(std::make_unique<BackgroundOpen>(
          this, [this](const QString& path, std::shared_ptr<LoadedImage> loaded) { FinishOpen(path, std::move(loaded)); }))
{
    setWindowTitle(QStringLiteral("View"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
        | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    setWindowIcon(ProgramIcon());
    // Painting covers every pixel itself: the background only around the
    // image, so finished tiles replace pixels in place without a grey flash.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setMinimumSize(10, 20);
    openHand = OpenHandCursor();
    closedHand = ClosedHandCursor();

    startPicture = new QLabel(this);
    startPicture->setPixmap(StartPicture());
    startPicture->move(0, 0); // stays at the top-left when the window is resized
    startPicture->adjustSize();
    startPicture->setAttribute(Qt::WA_TransparentForMouseEvents);

    ownProgressBar = new QProgressBar(this);
    ownProgressBar->setRange(0, 100);
    ownProgressBar->setTextVisible(true);
    ownProgressBar->hide();

    Initialise();
}

CSpeckwashDlg::~CSpeckwashDlg()
{
    // An open still reading ends first: its engine was made for this window.
    opener.reset();
    // The worker must be stopped before the planes it reads go away.
    session->thumbnail.reset();
    DiscardEngine();
}

void CSpeckwashDlg::SetPrompter(std::unique_ptr<Prompter> p)
{
    prompter = std::move(p);
}

void CSpeckwashDlg::SetControlPanel(ControlPanel* p)
{
    panel = p;
    if (panel) {
        ownProgressBar->hide();
        panel->ZoomChanged(ZoomText(), session->zoomInEnabled, session->zoomOutEnabled);
        panel->ImageControlsEnabled(session->engine != nullptr);
        panel->HoldImageControls(openWaiting);
        panel->ViewAfterChanged(session->viewAfter);
    }
}

void CSpeckwashDlg::SetPanelRecreator(std::function<void()> recreate)
{
    recreatePanel = std::move(recreate);
}

QString CSpeckwashDlg::ZoomText() const { return QString::fromStdString(::ZoomText(session->view.scale)); }

void CSpeckwashDlg::StartSession()
{
    StartupSettings settings = LoadStartupSettings();
    DustParams params = FreshStartDustParams();
    params.automation = 1;
    // The store is a text file a user may edit: keep its values within what
    // the program itself writes (a dust size may be stored up to 255).
    params.dustType = static_cast<uint8_t>(settings.dustType >= 0 && settings.dustType <= 2 ? settings.dustType : 2);
    params.dustRadius = static_cast<uint8_t>(std::clamp(settings.dustRadius, 1, 255));
    params.aggression = static_cast<uint8_t>(std::clamp(settings.aggression, 5, 51));
    // The stored threshold is not used at start: it follows the image's resolution.
    params.dustThreshold = 11;
    params.flatness = 25;
    // The old session's engine stops before its image goes.
    DiscardEngine();
    session = std::make_unique<EditSession>(settings.viewAfter, params);
    session->infraredChoice = settings.infrared;
    brush->SessionReplaced();
    panelVisible = settings.showControls;
    saveRotated = settings.saveRotated;
}

void CSpeckwashDlg::Initialise()
{
    StartSession();

    FitWindowToImage(nullptr);
    imageArea = { 0, 0, width(), height() };
    if (timerId == 0)
        timerId = startTimer(500);
    startPicture->show();
}

bool CSpeckwashDlg::StartPictureVisible() const
{
    return !startPicture->isHidden();
}

void CSpeckwashDlg::DiscardEngine()
{
    // The engine's destructor stops its worker before anything is freed.
    if (session) {
        session->engine.reset();
        // The spots and the review belong to the engine's image.
        session->spots.reset();
        session->spotCountShown = false;
        session->spotReview.Reset();
        session->spotMarker = {};
        session->spotVetoedSinceStep = false;
    }
}

void CSpeckwashDlg::ShowPanel()
{
    panelVisible = true;
    StoreSetting("ShowControls", 1);
    if (panel && panel->Window()) {
        panel->Window()->show();
        panel->Window()->raise();
    }
}

void CSpeckwashDlg::EndWindow()
{
    CancelOpen();
    DiscardEngine();
    QDialog::done(QDialog::Accepted);
}

void CSpeckwashDlg::accept()
{
}

void CSpeckwashDlg::reject()
{
    ClosePrompt();
}

void CSpeckwashDlg::closeEvent(QCloseEvent* event)
{
    // The close box asks like Esc; the window ends only through EndWindow.
    event->ignore();
    if (!saving)
        ClosePrompt();
}

bool CSpeckwashDlg::event(QEvent* event)
{
    if (openWaiting) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ContextMenu:
            return true; // dropped while a file is read (ShowOpenWaiting)
        default:
            break;
        }
    }
    return QDialog::event(event);
}

void CSpeckwashDlg::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // The brush circle goes on top of whatever this paint draws, on every way out.
    struct CircleOnTop {
        CBrushCursor& cursor;
        QPainter& painter;
        ~CircleOnTop() { cursor.RestoreAfterPaint(painter); }
    } circle { brush->Cursor(), painter };
    brush->Cursor().HideForPaint();
    const QRect& clip = event->rect();
    const EditSession& s = *session;
    const ViewGeometry& view = s.view;
    DustEngine* engine = s.engine.get();
    QRegion background = QRegion(clip);
    if (engine)
        background -= QRegion(view.imageRect.left, view.imageRect.top, view.imageRect.Width(), view.imageRect.Height());
    for (const QRect& r : background)
        painter.fillRect(r, QColor(153, 153, 153));
    // A picture over the image (the help button's) only skips the transfer:
    // the image under it keeps the pixels it had.
    if (!engine || StartPictureVisible())
        return;
    Rect update = Intersect(Rect { clip.left(), clip.top(), clip.right() + 1, clip.bottom() + 1 }, imageArea);
    if (update.IsEmpty())
        return;
    ImageViewSource source;
    const WorkingImage& document = s.document;
    source.shown = s.viewAfter ? engine->WorkImage() : document.working.get();
    source.manualMask = engine->ManualMask() ? engine->ManualMask()->Plane8(0) : nullptr;
    source.detectionMap = engine->DetectionMap() ? engine->DetectionMap()->Plane8(0) : nullptr;
    source.planeWidth = document.working->width;
    source.originalWidth = document.working->width;
    source.originalHeight = document.working->height;
    source.highlight = s.highlightOn;
    source.automation = s.params.automation != 0;
    source.highlightColour = s.highlightColour;
    PaintImageRegion(painter, session->view, update, source);
    if (s.showSpots)
        PaintSpots(painter, update);
    if (!s.spotMarker.IsEmpty())
        PaintSpotMarker(painter);
    trace.Painted();
}

void CSpeckwashDlg::customEvent(QEvent* event)
{
    DustEngine* engine = session->engine.get();
    if (event->type() != CRegionDoneEvent::Kind() || !engine)
        return;
    auto* done = static_cast<CRegionDoneEvent*>(event);
    Rect finished = engine->TakeDirty(done->level);
    trace.Reported(true, engine->Progress(1) < 0.0f, engine->Finished());
    Rect window = FinishedToWindow(session->view, finished);
    if (!window.IsEmpty())
        update(window.left, window.top, window.Width(), window.Height());
    if (session->spots) {
        session->spots->Invalidate(finished);
        RefreshSpots(false);
    }
}

void CSpeckwashDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == timerId)
        TickProgress();
}

void CSpeckwashDlg::TickProgress()
{
    DustEngine* engine = session->engine.get();
    float fraction = engine ? engine->Progress(1) : -0.1f;
    if (engine)
        trace.Reported(false, fraction < 0.0f, engine->Finished());
    // Switching the automation off or on relabels without any tile reported.
    RefreshSpots(false);
    const ProgressDisplay::Changes changes = progress.Tick(fraction, QDateTime::currentSecsSinceEpoch(), session->modified);
    if (panel) {
        // Only what this tick's steps do: the bar and "Restore Defaults" are
        // otherwise as the panel's own controls left them.
        panel->SetProgressValue(progress.BarValue());
        if (changes.showBar) {
            panel->ShowRestoreDefaults(false);
            panel->ShowProgressBar(true);
        }
        if (changes.hideBar)
            panel->ShowProgressBar(false);
        if (changes.showRestoreDefaults)
            panel->ShowRestoreDefaults(true);
        return;
    }
    if (progress.BarVisible()) {
        ownProgressBar->setGeometry(8, height() - 24, std::min(240, width() - 16), 16);
        ownProgressBar->setValue(std::max(0, progress.BarValue()));
        ownProgressBar->show();
    } else {
        ownProgressBar->hide();
    }
}

void CSpeckwashDlg::keyPressEvent(QKeyEvent* event)
{
    bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_O:
        if (ctrl)
            Open();
        break;
    case Qt::Key_S:
        if (ctrl)
            Save();
        break;
    case Qt::Key_Plus:
        if (ctrl)
            ZoomIn();
        break;
    case Qt::Key_R:
        Rotate(event->modifiers() & Qt::ShiftModifier ? -1 : 1);
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
}

void CSpeckwashDlg::wheelEvent(QWheelEvent* event)
{
    if (session->engine)
        brush->Wheel(event->position().toPoint(), event->angleDelta().y());
    else
        setCursor(Qt::ArrowCursor);
    event->accept();
}

void CSpeckwashDlg::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        brush->Cursor().Erase();
    QDialog::changeEvent(event);
}

void CSpeckwashDlg::SetViewAfter(bool after)
{
    session->viewAfter = after;
    StoreSetting("View", after ? 1 : 0);
    if (panel)
        panel->ViewAfterChanged(after);
    update();
}

void CSpeckwashDlg::SetHighlight(bool on)
{
    session->highlightOn = on;
    StoreSetting("Highlight", on ? 1 : 0);
    if (panel)
        panel->HighlightChanged();
    update();
}

void CSpeckwashDlg::SetHighlightColour(int colour)
{
    session->highlightColour = colour;
    SetHighlight(session->highlightOn);
}

void CSpeckwashDlg::BrushSettingsChanged()
{
    BrushChanged();
}

void CSpeckwashDlg::BrushChanged()
{
    if (panel)
        panel->BrushChanged(BrushSliderMaximum(session->largestBrushRadius, session->view.scale));
}

void CSpeckwashDlg::BrushUnusable()
{
    // Without a tip no stroke can be painted or replayed: the window ends.
    DiscardEngine();
    QDialog::done(8);
}
