// skin_painter <output folder>: paints the program's skins and icon at build time.
#include <cstdio>

#include "tools/skin_painter/skin_fonts.h"
#include "tools/skin_painter/skin_outputs.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin_painter <output folder>\n");
        return 2;
    }
    SkinFonts fonts;
    const bool ok = LoadSkinFonts(fonts) && WriteSkinOutputs(fonts, argv[1]);
    ReleaseSkinFonts(fonts);
    return ok ? 0 : 1;
}
