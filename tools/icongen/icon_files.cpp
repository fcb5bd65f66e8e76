#include "tools/icongen/icon_files.h"

#include "tools/icongen/icon_raster.h"
#include "tools/icongen/icon_svg.h"
#include "utility/core/file_bytes.h"
#include "utility/image/image_writers.h"

bool MakeIconFiles(std::vector<IconFile>& files) {
    const std::vector<IconShape> shapes = ZelqadIcon();
    const std::string svg = IconSvg(shapes);
    Image image;
    std::vector<std::uint8_t> png;
    if (!RasterizeIcon(shapes, kIconPngSize, image) || !EncodePng(image, png))
        return false;
    files = {{"zelqad.svg", std::vector<std::uint8_t>(svg.begin(), svg.end())},
             {"zelqad.png", std::move(png)}};
    return true;
}

bool WriteIconFiles(const std::string& folder, std::string& error) {
    std::vector<IconFile> files;
    if (!MakeIconFiles(files)) {
        error = "cannot draw the icon";
        return false;
    }
    for (const IconFile& file : files) {
        const std::string path = folder + "/" + file.name;
        if (FAILED(WriteFileBytes(path.c_str(), file.bytes))) {
            error = "cannot write " + path;
            return false;
        }
    }
    return true;
}
