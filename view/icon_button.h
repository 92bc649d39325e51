#pragma once
#include <QImage>
#include <QPushButton>

#include "view/rules/palettised_bitmap.h"
#include "view/rules/textured_face.h"

// The panel's push button: flat, with a textured face that lights up under
// the mouse, an icon that is shown in a darker (or grey) copy while the mouse
// is elsewhere, and signals when the mouse enters and leaves, which the panel
// uses to preview the other state of a toggle.
class CIconButton : public QPushButton {
    Q_OBJECT
public:
    // What the second icon is: none, a grey or a darker copy of the first,
    // or (any other value) an icon of its own.
    enum SecondIcon : int { kNoSecondIcon = 0, kGreySecondIcon = -2, kDarkerSecondIcon = -3 };
    enum IconAlignment : int { kIconLeft = 0, kIconAbove = 1, kIconRight = 2 };

    CIconButton(int controlId, const QString& text, QWidget* parent = nullptr);

    int ControlId() const { return controlId_; }

    // Icons by resource number; `second` is a SecondIcon or another icon's
    // number. False, and no icon at all, when an icon cannot be had.
    bool SetIcons(int normalId, int second);
    // The same from pictures; `secondImage` is used when `second` names an icon.
    bool SetIconImages(const QImage& normal, int second, const QImage& secondImage = {});

    // Builds the normal and hover faces at the button's size. The tint is
    // remembered so that a resize builds them again. With no generator given,
    // the program-wide one is used.
    void MakeTexturedFace(int pattern, int noise, int hoverPercent, int tintPercent, RgbColour tint,
        CFaceNoise* random = nullptr);

    void SetFlat(bool flat) { flat_ = flat; update(); }
    void SetDrawBorder(bool draw) { drawBorder_ = draw; update(); }
    void SetFocusWhenFlat(bool on) { focusWhenFlat_ = on; update(); }
    void SetTrackWhenInactive(bool on) { trackWhenInactive_ = on; }
    void SetPressedOffset(int dx, int dy) { pressedOffset_ = QPoint(dx, dy); }
    void SetIconAlignment(int alignment) { alignment_ = alignment; update(); }
    void SetMargins(int x, int y) { margins_ = QPoint(x, y); update(); }

    bool IsHovered() const { return hover_; }
    const CPalettisedBitmap& NormalFace() const { return normalFace_; }
    const CPalettisedBitmap& HoverFace() const { return hoverFace_; }
    const QImage& NormalIcon() const { return normalIcon_; }
    const QImage& SecondIconImage() const { return secondIcon_; }

    // What a paint in the present state draws: the face (null without one)
    // with its offset, and the icon (null image without one).
    const CPalettisedBitmap* FaceToDraw(QPoint* offset) const;
    const QImage& IconToDraw() const;

    // The generated second icons: black and transparent pixels stay, the
    // alpha mask is kept.
    static QImage DarkerCopy(const QImage& icon);
    static QImage GreyCopy(const QImage& icon);

signals:
    void HoverEntered(int controlId);
    void HoverLeft(int controlId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void TrackHover(bool underCursor);
    void LeaveHover();
    void RebuildFaces(CFaceNoise& random);
    void DrawBackground(QPainter& p, bool focused);
    void DrawBorder(QPainter& p, bool pressed);
    QRect DrawIcon(QPainter& p, bool pressed, bool disabled);
    void DrawText(QPainter& p, const QRect& area, bool pressed, bool disabled);

    int controlId_;
    bool flat_ = true;
    bool drawBorder_ = true;
    bool focusWhenFlat_ = false;
    bool hover_ = false;
    bool trackWhenInactive_ = false;
    QPoint pressedOffset_ { 1, 1 };
    int alignment_ = kIconLeft;
    QPoint margins_ { 3, 3 };

    QImage normalIcon_;
    QImage secondIcon_;

    // Face parameters, kept so that a new size gets a new face.
    bool hasFace_ = false;
    int facePattern_ = 0, faceNoise_ = 0, faceHoverPercent_ = 0, faceTintPercent_ = 0;
    RgbColour faceTint_;
    CPalettisedBitmap normalFace_;
    CPalettisedBitmap hoverFace_;
    // The faces as drawable pictures, made on first paint after a change.
    mutable QImage normalFaceImage_;
    mutable QImage hoverFaceImage_;
};

// An indexed picture of the bitmap with its palette, for drawing.
QImage PalettisedToImage(const CPalettisedBitmap& bitmap);
