// Usage: read_image [--threads N] FILE — loads FILE as an open in the desktop
// program does (into the image model, in its working form) and exits: 0 when
// it loaded. With N, plain rows are read on N threads, as a batch clean does.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imagefiles/row_chunks.h"
#include "workflow/image_kind.h"

int main(int argc, char** argv)
{
    int threads = 1;
    if (argc == 4 && std::strcmp(argv[1], "--threads") == 0)
        threads = std::atoi(argv[2]);
    else if (argc != 2) {
        std::fprintf(stderr, "usage: read_image [--threads N] FILE\n");
        return 2;
    }
    const char* path = argv[argc - 1];
    const ReadThreadsScope readers(threads);
    WorkingImage image;
    const LoadOutcome outcome = LoadWorkingImage(path, image);
    if (outcome != LoadAccepted || !image.working) {
        std::fprintf(stderr, "%s: not loaded\n", path);
        return 1;
    }
    return 0;
}
