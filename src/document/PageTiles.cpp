#include "document/PageTiles.h"

#include <algorithm>
#include <cstdio>

#include "document/OutputFile.h"
#include "pdf/JpegExport.h"
#include "pdf/Renderer.h"

std::vector<TileLevel> tileLevels(int widthPoints, int heightPoints) {
    std::vector<TileLevel> levels;
    for (int dpi : kTileDpis) {
        const long long width = static_cast<long long>(widthPoints) * dpi / 72;
        const long long height = static_cast<long long>(heightPoints) * dpi / 72;
        if (width < 1 || height < 1 || std::max(width, height) > kMaxTileLevelSide) continue;
        levels.push_back({dpi, static_cast<int>(width), static_cast<int>(height)});
    }
    return levels;
}

std::string tileFileName(int page, int dpi, int column, int row) {
    return "tiles/" + std::to_string(page) + "-" + std::to_string(dpi) + "-" +
           std::to_string(column) + "-" + std::to_string(row) + ".jpg";
}

void writePageTiles(const pdf::RecordedPage& page, int widthPoints, int heightPoints,
                    const std::string& dir) {
    for (const TileLevel& level : tileLevels(widthPoints, heightPoints)) {
        const pdf::RenderSize size{level.width, level.height, level.width / page.width(),
                                   level.height / page.height()};
        pdf::exportJpegTiles(
            page, size, kTileSize, kTileQuality, level.dpi,
            [&](int column, int row, const std::string& jpeg) {
                OutputFile out(dir + tileFileName(page.number(), level.dpi, column, row));
                std::fwrite(jpeg.data(), 1, jpeg.size(), out.stream());
                out.finish(OutputFile::Flush::ByCaller);
                out.rename();
            });
    }
}

std::string tilesJson() {
    std::string json = "{\"size\":" + std::to_string(kTileSize) + ",\"dpi\":[";
    for (int dpi : kTileDpis) {
        if (json.back() != '[') json += ',';
        json += std::to_string(dpi);
    }
    return json + "],\"side\":" + std::to_string(kMaxTileLevelSide) + "}";
}
