#include "view/rules/textured_face.h"

#include <algorithm>

namespace {

uint8_t ToIndex(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// Entries 0..128 run from the shadow to the face colour, 128..255 from the
// face to the highlight colour, in integer steps.
void FillFacePalette(CPalettisedBitmap& bitmap, const FaceColours& c)
{
    auto lerp = [](int from, int to, int step, int steps) { return from + (to - from) * step / steps; };
    for (int i = 0; i <= 128; ++i)
        bitmap.SetPaletteEntry(i, ToIndex(lerp(c.shadow.red, c.face.red, i, 128)),
            ToIndex(lerp(c.shadow.green, c.face.green, i, 128)), ToIndex(lerp(c.shadow.blue, c.face.blue, i, 128)));
    for (int i = 128; i <= 255; ++i)
        bitmap.SetPaletteEntry(i, ToIndex(lerp(c.face.red, c.highlight.red, i - 128, 127)),
            ToIndex(lerp(c.face.green, c.highlight.green, i - 128, 127)),
            ToIndex(lerp(c.face.blue, c.highlight.blue, i - 128, 127)));
}

// The vertical shading of one row: a cubic through the face colour at
// mid-height, flattened so that the noise cannot leave the palette.
int ShadedRowValue(int y, int height, int noise)
{
    int t = y * 255 / height - 127;
    int v = t * t * t / 16384;
    v = v * (64 - noise);
    v = v * 2;
    v = v / 128;
    return 128 + v;
}

void PaintShaded(CPalettisedBitmap& bitmap, int noise, CFaceNoise& random)
{
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    const int band = std::min(w / 6, 16);
    const int quarterSquare = h * h / 4;
    // Rounded sides need a band and two rows at least; a face thinner than
    // that stays square instead of dividing by zero.
    const bool rounded = band > 0 && quarterSquare > 0;
    for (int y = 0; y < h; ++y) {
        const int rowValue = ShadedRowValue(y, h, noise);
        for (int x = 0; x < w; ++x)
            bitmap.SetPixel(x, y, ToIndex(rowValue + FaceNoiseTerm(random, noise)));
        if (rounded) {
            const int dy = y - h / 2;
            const int j = band * dy * dy / quarterSquare + w / 2 - band;
            for (int x = 0; x < w; ++x) {
                if (x < w / 2 - j)
                    bitmap.SetPixel(x, y, ToIndex(255 - noise - x * 128 / band));
                else if (x > w / 2 + j)
                    bitmap.SetPixel(x, y, ToIndex(noise + (w - x) * 128 / band));
            }
        }
        for (int x = 0; x < w; ++x)
            bitmap.SetPixel(x, y, ToIndex(bitmap.GetPixel(x, y) + FaceNoiseTerm(random, noise)));
    }
}

} // namespace

int FaceNoiseTerm(CFaceNoise& random, int noise)
{
    const int r = random.Next();
    if (noise <= 0)
        return 0;
    const int divisor = std::max(1, 32767 / (2 * noise));
    return r / divisor - noise;
}

bool MakeTexturedFace(CPalettisedBitmap& out, int width, int height, int pattern, int noise,
    int tintPercent, RgbColour tint, const FaceColours& colours, CFaceNoise& random)
{
    if (!out.Create(width, height, 8))
        return false;
    FillFacePalette(out, colours);
    out.BlendPalette(tint, tintPercent);
    if (pattern == kFacePatternShaded) {
        PaintShaded(out, noise, random);
    } else {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                out.SetPixel(x, y, ToIndex(128 + FaceNoiseTerm(random, noise)));
    }
    return true;
}

bool MakeHoverFace(CPalettisedBitmap& out, const CPalettisedBitmap& normal, int hoverPercent,
    RgbColour highlight)
{
    if (normal.IsEmpty() || !out.CopyFrom(normal))
        return false;
    out.BlendPalette(highlight, hoverPercent);
    return true;
}
