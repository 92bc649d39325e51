#pragma once
#include <memory>

#include "app/control_panel/panel_host.h"

class CSpeckwashDlg;
class CSpeckwashDlg2;
class CWindowCommands;

// Connects the control panel to the main window: the panel's requests become
// the window's commands and view changes, and the window learns of the panel
// through its ControlPanel interface. Lives as long as the main window.
class CPanelBridge : public CPanelHost {
public:
    explicit CPanelBridge(CSpeckwashDlg& window);
    ~CPanelBridge() override;

    // Makes the panel (again), sets its start values from the window's and
    // hands it to the window; shown when the window's settings say so.
    void CreatePanel();
    // Closing an image: the old panel goes (once its own handlers have
    // returned, since it may be the one that asked) and a new one is made.
    void RecreatePanel();
    CSpeckwashDlg2* Panel() const { return panel_.get(); }
    // The pop-up menu, the accelerators and the help of both windows.
    CWindowCommands& Commands() const { return *commands_; }

    void Open() override;
    void Save() override;
    void QuitPrompt() override;
    void ClosePrompt() override;
    void UndoStroke() override;
    void ZoomIn() override;
    void ZoomOut() override;
    void ShowHelp() override;
    void ShowContextMenu(const QPoint& globalPos) override;
    void StepSpot(int step) override;
    void VetoSpot() override;
    bool HasEngine() const override;
    bool HasImage() const override;
    DustParams& Params() override;
    int ImageResolution() const override;
    bool ImageFromCamera() const override;
    bool ImageHasInfrared() const override;
    InfraredSettings InfraredChoice() const override;
    void SetInfraredChoice(const InfraredSettings& choice) override;
    bool ViewAfter() const override;
    void SetViewAfter(bool after) override;
    bool HighlightOn() const override;
    int HighlightColour() const override;
    void SetHighlight(bool on, int colour) override;
    float ViewScale() const override;
    void RedrawImage() override;
    void RedrawAll() override;
    void QueueVisibleRegion(int sequence) override;
    int Rotation() const override;
    void RotationChanged(int rotation) override;
    void SetBrushTool(int tool) override;
    int BrushTool() const override;
    BrushSettings Brush() const override;
    bool CanUndo() const override;
    void SetUpBrush(int radius, int manualDustSize, int tool, int strength) override;
    void DrawBrushAtCentre(int screenRadius) override;
    void ShowPicture(int bitmapId) override;
    void HidePicture() override;
    void PanelHidden() override;
    void Persist(const char* name, int value) override;
    bool ProgramVersion(int& major, int& minor, int& build) const override;
    const CImage* Thumbnail() const override;
    float ThumbnailScale() const override;
    Rect VisibleRegion() const override;
    int ImageWidth() const override;
    int ImageHeight() const override;
    void NavigatorPanTo(Point imagePoint) override;

private:
    CSpeckwashDlg& window_;
    std::unique_ptr<CWindowCommands> commands_;
    std::unique_ptr<CSpeckwashDlg2> panel_;
};
