#pragma once
#include <string>

#include "engine/spot_labels.h"

// The spot list of a cleaned image as a file: one record per spot, in list
// order (largest first), in image coordinates. Fields: x, y, width, height
// (the bounding box), centre_x, centre_y (mean pixel position), pixels, peak
// (largest detection map value) and tone ("dark", "bright" or "unchanged").

// True when the path ends in ".csv" in any case: the list is then CSV.
bool IsCsvPath(const std::string& path);

// A JSON object: the input's path, the count and the records.
std::string SpotsJson(const SpotList& list, const std::string& imagePath);
// A header line, then one line per spot.
std::string SpotsCsv(const SpotList& list);

// Writes the list in the format the path's extension asks for (CSV for
// .csv, else JSON). False with an explanation when the file cannot be written.
bool WriteSpotReport(const std::string& path, const SpotList& list, const std::string& imagePath, std::string& error);

// "1 spot", "3412 spots".
std::string SpotCountText(size_t count);
