// Usage: read_image FILE — loads FILE as an open in the desktop program does
// (into the image model, in its working form) and exits: 0 when it loaded.
#include <cstdio>

#include "workflow/image_kind.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: read_image FILE\n");
        return 2;
    }
    WorkingImage image;
    const LoadOutcome outcome = LoadWorkingImage(argv[1], image);
    if (outcome != LoadAccepted || !image.working) {
        std::fprintf(stderr, "%s: not loaded\n", argv[1]);
        return 1;
    }
    return 0;
}
