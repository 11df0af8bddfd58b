#include "analysis/spectrogram_picture.h"

#include <png.h>

#include <new>

#include "messages/message_table.h"
#include "wave/safe_file.h"

namespace sonthra {
namespace {

constexpr int kCannotWrite = 153;

void appendToString(png_structp png, png_bytep data, png_size_t length) {
    auto* bytes = static_cast<std::string*>(png_get_io_ptr(png));
    bytes->append(reinterpret_cast<const char*>(data), length);
}

void flushNothing(png_structp) {}

// Encodes the picture into bytes; false when libpng fails.
bool encodePng(const SpectrogramPicture& picture, SpectrogramPalette palette, std::string& bytes) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_byte> row(static_cast<std::size_t>(picture.width) * 3);
    // libpng reports its failures by a long jump back here; nothing owned lives between.
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &bytes, &appendToString, &flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Unfiltered rows at light compression: a spectrogram gains little from filtering, and
    // writing stays a small part of drawing.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* levels =
            picture.levels.data() + static_cast<std::size_t>(y) * picture.width;
        for (int x = 0; x < picture.width; ++x) {
            const Rgb color = spectrogramColor(palette, levels[x]);
            row[3 * x] = color.r;
            row[3 * x + 1] = color.g;
            row[3 * x + 2] = color.b;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

int drawSpectrogram(const FrameSourceOpener& open, int width, const SpectrogramSettings& settings,
                    int threads, SpectrogramPicture& picture, const std::atomic<bool>* cancel) {
    picture = SpectrogramPicture{};
    if (width <= 0 || !settings.valid()) return 105;
    std::unique_ptr<FrameSource> source;
    const int opened = open(source);
    if (opened != 0) return opened;
    SpectrogramLevel level({source->frames(), static_cast<std::uint64_t>(width), settings},
                           source->frames(), source->format().sampleRate);
    source.reset();
    const int computed = computeColumns(level, 0, level.columns(), open, threads, cancel);
    if (computed != 0) return computed;
    try {
        picture.levels.resize(static_cast<std::size_t>(width) * settings.rows);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    picture.width = width;
    picture.height = settings.rows;
    std::vector<std::uint8_t> column(static_cast<std::size_t>(settings.rows));
    for (std::uint64_t x = 0; x < level.columns(); ++x) {
        if (!level.readColumn(x, column.data())) return kCancelled;
        for (int y = 0; y < settings.rows; ++y)
            picture.levels[static_cast<std::size_t>(y) * width + x] = column[y];
    }
    return 0;
}

int writeSpectrogramPng(const std::string& path, const SpectrogramPicture& picture,
                        SpectrogramPalette palette) {
    std::string bytes;
    if (picture.width <= 0 || picture.height <= 0 || !encodePng(picture, palette, bytes))
        return kCannotWrite;
    SafeFileWriter file(path);
    if (!file.open() || !file.write(bytes) || !file.commit()) return kCannotWrite;
    return 0;
}

}  // namespace sonthra
