#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/control_panel/panel_host.h"
#include "image/image.h"
#include "view/rules/zoom_rules.h"

// A stand-in for the main window that records what the panel asks of it.
class FakePanelHost : public CPanelHost {
public:
    void Open() override { ++opens; }
    void Save() override { ++saves; }
    void QuitPrompt() override { ++quits; }
    void ClosePrompt() override { ++closePrompts; }
    void UndoStroke() override { ++undos; }
    void ZoomIn() override { ++zoomIns; }
    void ZoomOut() override { ++zoomOuts; }
    void ShowHelp() override { ++helps; }
    void ShowContextMenu(const QPoint&) override { ++contextMenus; }
    void StepSpot(int) override { }
    void VetoSpot() override { }
    bool HasEngine() const override { return engine; }
    bool HasImage() const override { return image; }
    DustParams& Params() override { return params; }
    int ImageResolution() const override { return resolution; }
    bool ImageFromCamera() const override { return fromCamera; }
    bool ImageHasInfrared() const override { return hasInfrared; }
    InfraredSettings InfraredChoice() const override { return infraredChoice; }
    void SetInfraredChoice(const InfraredSettings& choice) override { infraredChoice = choice; }
    bool ViewAfter() const override { return viewAfter; }
    void SetViewAfter(bool after) override { viewAfter = after; }
    bool HighlightOn() const override { return highlightOn; }
    int HighlightColour() const override { return highlightColour; }
    void SetHighlight(bool on, int colour) override
    {
        highlightOn = on;
        highlightColour = colour;
    }
    float ViewScale() const override { return scale; }
    void RedrawImage() override { ++imageRedraws; }
    void RedrawAll() override { ++fullRedraws; }
    void QueueVisibleRegion(int sequence) override { queued.push_back(sequence); }
    int Rotation() const override { return rotation; }
    void RotationChanged(int r) override { rotation = r; }
    void SetBrushTool(int tool) override { brushTool = tool; }
    int BrushTool() const override { return brushTool; }
    BrushSettings Brush() const override { return brushSetUp; }
    bool CanUndo() const override { return false; }
    void SetUpBrush(int radius, int manualDustSize, int tool, int strength) override
    {
        brushSetUp = { tool, radius, manualDustSize, strength };
    }
    void DrawBrushAtCentre(int screenRadius) override { brushCursorRadius = screenRadius; }
    void ShowPicture(int id) override
    {
        picture = id;
        pictureVisible = true;
    }
    void HidePicture() override { pictureVisible = false; }
    void PanelHidden() override { panelVisible = false; }
    void Persist(const char* name, int value) override
    {
        stored[name] = value;
        writes.push_back(name);
    }
    bool ProgramVersion(int& major, int& minor, int& build) const override
    {
        major = 1;
        minor = 0;
        build = 2;
        return versionReadable;
    }
    const CImage* Thumbnail() const override { return thumbnail.get(); }
    float ThumbnailScale() const override { return thumbScale; }
    Rect VisibleRegion() const override { return visible; }
    int ImageWidth() const override { return imageWidth; }
    int ImageHeight() const override { return imageHeight; }
    void NavigatorPanTo(Point p) override
    {
        CentreOn(visible, p.x, p.y);
        ClampVisibleRegion(visible, imageWidth, imageHeight);
        ++pans;
    }

    // An open image of the given size with a thumbnail at `scale`.
    void OpenImage(int width, int height, float scale, const Rect& view)
    {
        engine = image = true;
        imageWidth = width;
        imageHeight = height;
        thumbScale = scale;
        visible = view;
        thumbnail = std::make_unique<CImage>(static_cast<int>(width * scale + 0.5f),
            static_cast<int>(height * scale + 0.5f), 3, SampleU8);
        thumbnail->Fill(90, 120, 160, 0);
    }

    bool engine = false;
    bool image = false;
    DustParams params;
    int resolution = 0;
    bool fromCamera = false;
    bool hasInfrared = false;
    InfraredSettings infraredChoice;
    bool viewAfter = true;
    bool highlightOn = true;
    int highlightColour = 0;
    int rotation = 0;
    float scale = 1.0f;
    int brushTool = 412;
    BrushSettings brushSetUp;
    int brushCursorRadius = 0;
    int picture = 150;
    bool pictureVisible = true;
    bool panelVisible = true;
    bool versionReadable = true;
    std::map<std::string, int> stored;
    std::vector<std::string> writes;
    std::vector<int> queued;
    int opens = 0, saves = 0, quits = 0, closePrompts = 0, undos = 0, zoomIns = 0, zoomOuts = 0, helps = 0;
    int contextMenus = 0, imageRedraws = 0, fullRedraws = 0, pans = 0;

    std::unique_ptr<CImage> thumbnail;
    float thumbScale = 1.0f;
    Rect visible;
    int imageWidth = 0;
    int imageHeight = 0;
};
