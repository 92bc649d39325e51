#pragma once

// True when the fourth plane a reader delivers for this file is the black ink
// of a CMYK picture (a four-component JPEG, a separated TIFF) rather than an
// alpha channel: the first three planes are then already the RGB picture and
// the fourth must not be written as transparency.
bool FourthPlaneIsInk(const char* path);
