#pragma once
#include <atomic>
#include <cstdint>

#include "engine/byte_buffer.h"
#include "image/image.h"
#include "image/rect.h"

// The planes a composite reads and the image it writes; all share one size.
struct CompositeInputs {
    const CImage* source; // channels 0 to 2 used
    const CImage* median; // channels 0 to 2 used
    const CImage* map; // detection map, 1 channel
    // Manual mask: 0 restored, 1 untouched, 2..255 marked with strength (B − 1)/255.
    // Null when no brush can mark a pixel (a batch clean): every pixel is untouched.
    const CImage* mask;
    const CImage* dustSize; // manual dust size: median radius of a marked pixel (unused without a mask)
    CImage* work; // receives channels 0 to 2; without a mask it may be the median image itself
};

// Recomputes the corrected pixels of rect from scratch. With automation on an
// untouched pixel takes the automatic blend toward the median by the detection
// map, and a marked pixel is blended toward the median of its own
// neighbourhood; with automation off only marked pixels change, toward the
// median image. `scratch` serves the per-pixel medians. Returns the bounding
// box of the pixels whose corrected value changed; without a mask every
// pixel of rect is written, and the rows written are returned.
// A raised `stop` ends the pass early, leaving the rest of the rectangle as it was.
Rect Composite(const CompositeInputs& in, const Rect& rect, bool automation, ByteBuffer& scratch,
    const std::atomic<uint8_t>* stop = nullptr);

// The median of the samples around (x, y) within radius r: from each row y − r
// to y + r inside the plane, the 2r + 1 samples that follow each other in
// storage from r before column x (so near a side edge the span runs on into
// the neighbouring row), without any sample outside the plane; the sample of
// rank n / 2 of the n collected. Returns the pixel's own sample if the
// scratch cannot grow.
uint8_t PixelMedian(const uint8_t* plane, int width, int height, int x, int y, int radius, ByteBuffer& scratch);
