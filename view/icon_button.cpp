#include "view/icon_button.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "view/resource_pictures.h"
#include "view/rules/icon_shades.h"

namespace {

// One generator for every face of the program, so that neighbouring buttons
// do not repeat each other's grain.
CFaceNoise& ProgramFaceNoise()
{
    static CFaceNoise noise(1);
    return noise;
}

RgbColour ToRgb(const QColor& c)
{
    return { static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue()) };
}

template <typename Shade> QImage Recoloured(const QImage& icon, Shade shade)
{
    if (icon.isNull())
        return {};
    QImage out = icon.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const RgbColour c = shade(RgbColour { static_cast<uint8_t>(qRed(row[x])),
                static_cast<uint8_t>(qGreen(row[x])), static_cast<uint8_t>(qBlue(row[x])) });
            row[x] = qRgba(c.red, c.green, c.blue, qAlpha(row[x]));
        }
    }
    return out;
}

} // namespace

QImage PalettisedToImage(const CPalettisedBitmap& bitmap)
{
    if (bitmap.IsEmpty() || bitmap.Bits() != 8)
        return {};
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_Indexed8);
    if (image.isNull())
        return {};
    QList<QRgb> table;
    table.reserve(bitmap.PaletteSize());
    for (const PaletteEntry& e : bitmap.Palette())
        table.push_back(qRgb(e.red, e.green, e.blue));
    image.setColorTable(table);
    for (int y = 0; y < bitmap.Height(); ++y)
        std::copy_n(bitmap.Row(y), bitmap.Width(), image.scanLine(y));
    return image;
}

CIconButton::CIconButton(int controlId, const QString& text, QWidget* parent)
    : QPushButton(text, parent)
    , controlId_(controlId)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, false);
}

QImage CIconButton::DarkerCopy(const QImage& icon) { return Recoloured(icon, DarkerShade); }

QImage CIconButton::GreyCopy(const QImage& icon) { return Recoloured(icon, GreyShade); }

bool CIconButton::SetIcons(int normalId, int second)
{
    const QImage normal = LoadIconResource(normalId);
    QImage secondImage;
    if (second != kNoSecondIcon && second != kGreySecondIcon && second != kDarkerSecondIcon)
        secondImage = LoadIconResource(second);
    return SetIconImages(normal, second, secondImage);
}

bool CIconButton::SetIconImages(const QImage& normal, int second, const QImage& secondImage)
{
    normalIcon_ = normal.convertToFormat(QImage::Format_ARGB32);
    switch (second) {
    case kNoSecondIcon:
        secondIcon_ = QImage();
        break;
    case kGreySecondIcon:
        secondIcon_ = GreyCopy(normalIcon_);
        break;
    case kDarkerSecondIcon:
        secondIcon_ = DarkerCopy(normalIcon_);
        break;
    default:
        secondIcon_ = secondImage.convertToFormat(QImage::Format_ARGB32);
        break;
    }
    const bool ok = !normalIcon_.isNull() && (second == kNoSecondIcon || !secondIcon_.isNull());
    if (!ok) {
        normalIcon_ = QImage();
        secondIcon_ = QImage();
    }
    update();
    return ok;
}

void CIconButton::MakeTexturedFace(int pattern, int noise, int hoverPercent, int tintPercent, RgbColour tint,
    CFaceNoise* random)
{
    hasFace_ = true;
    facePattern_ = pattern;
    faceNoise_ = noise;
    faceHoverPercent_ = hoverPercent;
    faceTintPercent_ = tintPercent;
    faceTint_ = tint;
    RebuildFaces(random ? *random : ProgramFaceNoise());
}

void CIconButton::RebuildFaces(CFaceNoise& random)
{
    const QPalette& pal = palette();
    const FaceColours colours { ToRgb(pal.color(QPalette::Dark)), ToRgb(pal.color(QPalette::Button)),
        ToRgb(pal.color(QPalette::Light)) };
    // A face that cannot be had is simply not drawn.
    if (!::MakeTexturedFace(normalFace_, width(), height(), facePattern_, faceNoise_, faceTintPercent_, faceTint_,
            colours, random)
        || !MakeHoverFace(hoverFace_, normalFace_, faceHoverPercent_, ToRgb(pal.color(QPalette::Highlight)))) {
        normalFace_.Clear();
        hoverFace_.Clear();
    }
    normalFaceImage_ = QImage();
    hoverFaceImage_ = QImage();
    update();
}

void CIconButton::resizeEvent(QResizeEvent* event)
{
    QPushButton::resizeEvent(event);
    if (hasFace_ && (normalFace_.Width() != width() || normalFace_.Height() != height()))
        RebuildFaces(ProgramFaceNoise());
}

const CPalettisedBitmap* CIconButton::FaceToDraw(QPoint* offset) const
{
    *offset = QPoint(0, 0);
    if (normalFace_.IsEmpty())
        return nullptr;
    if (!hover_)
        return &normalFace_;
    if (isDown())
        *offset = QPoint(1, 1);
    return &hoverFace_;
}

const QImage& CIconButton::IconToDraw() const
{
    if (!secondIcon_.isNull() && !isDown() && !hover_)
        return secondIcon_;
    return normalIcon_;
}

// Hover tracking follows the mouse rather than Qt's hover attribute: a press
// that started elsewhere must not light the button, and a button of a window
// that is not active stays dark unless asked otherwise.
void CIconButton::TrackHover(bool underCursor)
{
    if ((QApplication::mouseButtons() & Qt::LeftButton) && !hover_)
        return;
    if (!flat_)
        return;
    // A disabled button neither lights up nor tells anyone the mouse came by.
    if (!underCursor || !isEnabled() || (QApplication::activeWindow() == nullptr && !trackWhenInactive_)) {
        LeaveHover();
        return;
    }
    if (!hover_) {
        hover_ = true;
        emit HoverEntered(controlId_);
        update();
    }
}

void CIconButton::LeaveHover()
{
    if (flat_ && hover_) {
        hover_ = false;
        emit HoverLeft(controlId_);
        update();
    }
}

void CIconButton::enterEvent(QEnterEvent* event)
{
    QPushButton::enterEvent(event);
    TrackHover(rect().contains(event->position().toPoint()));
}

void CIconButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
    TrackHover(rect().contains(event->position().toPoint()));
}

void CIconButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    LeaveHover();
}

void CIconButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
    LeaveHover();
}

void CIconButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        LeaveHover();
    if (event->type() == QEvent::PaletteChange && hasFace_)
        RebuildFaces(ProgramFaceNoise());
}

// A quick second click is a second press, not something else: the panel's
// toggles must follow every click.
void CIconButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        mousePressEvent(event);
    else
        QPushButton::mouseDoubleClickEvent(event);
}

void CIconButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool pressed = isDown();
    const bool focused = hasFocus();
    const bool disabled = !isEnabled();
    DrawBackground(p, focused);
    DrawBorder(p, pressed);
    const QRect textArea = DrawIcon(p, pressed, disabled);
    DrawText(p, textArea, pressed, disabled);
    if (focused && (!flat_ || focusWhenFlat_)) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}

void CIconButton::DrawBackground(QPainter& p, bool focused)
{
    QPoint offset;
    if (const CPalettisedBitmap* face = FaceToDraw(&offset)) {
        QImage& cached = face == &normalFace_ ? normalFaceImage_ : hoverFaceImage_;
        if (cached.isNull())
            cached = PalettisedToImage(*face);
        if (!offset.isNull())
            p.fillRect(rect(), palette().color(QPalette::Button));
        p.drawImage(offset, cached);
        return;
    }
    QRect r = rect();
    if (!flat_ && (focused || isDefault())) {
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    // Hover, focus and rest all take the system button colours.
    p.fillRect(r, palette().color(QPalette::Button));
}

void CIconButton::DrawBorder(QPainter& p, bool pressed)
{
    const QPalette& pal = palette();
    const QRect r = rect().adjusted(0, 0, -1, -1);
    auto edge = [&](const QColor& topLeft, const QColor& bottomRight, const QRect& box) {
        p.setPen(topLeft);
        p.drawLine(box.topLeft(), box.topRight());
        p.drawLine(box.topLeft(), box.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(box.bottomLeft(), box.bottomRight());
        p.drawLine(box.topRight(), box.bottomRight());
    };
    if (pressed) {
        if (flat_ && drawBorder_)
            edge(pal.color(QPalette::Dark), pal.color(QPalette::Light), r);
        else if (!flat_) {
            p.setPen(pal.color(QPalette::Dark));
            p.drawRect(r);
        }
        return;
    }
    if (!flat_) {
        edge(pal.color(QPalette::Light), pal.color(QPalette::Shadow), r);
        edge(pal.color(QPalette::Midlight), pal.color(QPalette::Dark), r.adjusted(1, 1, -1, -1));
    } else if (hover_ && drawBorder_) {
        edge(pal.color(QPalette::Light), pal.color(QPalette::Dark), r);
    }
}

QRect CIconButton::DrawIcon(QPainter& p, bool pressed, bool disabled)
{
    const QImage& icon = IconToDraw();
    QRect area = rect();
    if (icon.isNull())
        return area;
    const QSize size = icon.size();
    const bool hasText = !text().isEmpty();
    QPoint at;
    if (!hasText) {
        at = QPoint((width() - size.width()) / 2, (height() - size.height()) / 2);
    } else if (alignment_ == kIconAbove) {
        at = QPoint((width() - size.width()) / 2, margins_.y());
        area.setTop(at.y() + size.height() + margins_.y());
    } else if (alignment_ == kIconRight) {
        at = QPoint(width() - margins_.x() - size.width(), (height() - size.height()) / 2);
        area.setRight(at.x() - margins_.x());
    } else {
        at = QPoint(margins_.x(), (height() - size.height()) / 2);
        area.setLeft(at.x() + size.width() + margins_.x());
    }
    if (pressed)
        at += pressedOffset_;
    if (disabled) {
        QStyleOption option;
        option.initFrom(this);
        const QPixmap look = style()->generatedIconPixmap(QIcon::Disabled, QPixmap::fromImage(icon), &option);
        p.drawPixmap(at, look);
    } else {
        p.drawImage(at, icon);
    }
    return area;
}

void CIconButton::DrawText(QPainter& p, const QRect& area, bool pressed, bool disabled)
{
    if (text().isEmpty())
        return;
    QRect r = area;
    if (pressed)
        r.translate(pressedOffset_);
    const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    const QPalette& pal = palette();
    if (disabled) {
        // Embossed: a light copy one pixel down and right under the shadow.
        p.setPen(pal.color(QPalette::Light));
        p.drawText(r.translated(1, 1), flags, text());
        p.setPen(pal.color(QPalette::Dark));
        p.drawText(r, flags, text());
        return;
    }
    p.setPen(pal.color(QPalette::ButtonText));
    p.drawText(r, flags, text());
}
