#include "workflow/spot_review.h"

std::string SpotCountCaption(size_t count)
{
    const std::string digits = std::to_string(count);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += ',';
        grouped += digits[i];
    }
    return grouped + (count == 1 ? " spot corrected" : " spots corrected");
}

int SpotReview::Select(const SpotList& list, int i)
{
    const int count = static_cast<int>(list.Count());
    if (count == 0) {
        index = -1;
        return index;
    }
    index = ((i % count) + count) % count;
    const Spot& spot = list.Spots()[static_cast<size_t>(index)];
    firstX = spot.firstX;
    firstY = spot.box.top;
    return index;
}

int SpotReview::Next(const SpotList& list) { return Select(list, index + 1); }

int SpotReview::Previous(const SpotList& list) { return Select(list, index < 0 ? -1 : index - 1); }

int SpotReview::Follow(const SpotList& list)
{
    if (index < 0)
        return index;
    const auto& spots = list.Spots();
    for (size_t i = 0; i < spots.size(); ++i)
        if (spots[i].firstX == firstX && spots[i].box.top == firstY)
            return Select(list, static_cast<int>(i));
    if (spots.empty()) {
        index = -1;
        return index;
    }
    return Select(list, index < static_cast<int>(spots.size()) ? index : 0);
}
