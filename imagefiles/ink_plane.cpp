#include "imagefiles/ink_plane.h"

#include "imagefiles/image_file_types.h"
#include "imagefiles/tiff_open.h"

bool FourthPlaneIsInk(const char* path)
{
    switch (DetectImageFileType(path)) {
    case ImageFileType::Jpeg:
        return true; // JPEG has no alpha: four components are CMYK or YCCK
    case ImageFileType::Tiff: {
        TIFF* tiff = OpenTiffSilently(path, "r");
        if (!tiff)
            return false;
        uint16_t photometric = 0;
        bool ink = TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) && photometric == PHOTOMETRIC_SEPARATED;
        TIFFClose(tiff);
        return ink;
    }
    default:
        return false;
    }
}
