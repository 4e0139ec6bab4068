#include "tests/support/frame_dump.h"

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

std::string Sanitised(std::string name) {
    for (char &c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-') c = '_';
    return name;
}

}  // namespace

std::string test_WriteFramePng(const std::string &label, const uint8_t *pixels, int width, int height,
                               int channels, bool bottomUp) {
    std::string name = "velmora_frame";
    if (const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info())
        name += std::string("_") + info->test_suite_name() + "." + info->name();
    if (!label.empty()) name += "_" + label;
    std::string root = ::testing::TempDir();
    if (!root.empty() && root.back() != '/') root += '/';
    const std::string path = root + Sanitised(name) + ".png";
    if (!pixels || width <= 0 || height <= 0 || channels < 1 || channels > 4) return std::string();
    const size_t stride = static_cast<size_t>(width) * channels;
    std::vector<uint8_t> rows(pixels, pixels + stride * height);
    if (bottomUp)
        for (int y = 0; y < height; ++y)
            std::copy_n(pixels + (height - 1 - y) * stride, stride, rows.data() + y * stride);
    if (!stbi_write_png(path.c_str(), width, height, channels, rows.data(), static_cast<int>(stride)))
        return std::string();
    return path;
}

FrameDump::~FrameDump() { WriteIfFailed(); }

std::vector<uint8_t> FrameDump::Keep(const std::string &label, std::vector<uint8_t> pixels, int width, int height,
                                     int channels, bool bottomUp) {
    frames_.push_back({label, pixels, width, height, channels, bottomUp});
    return pixels;
}

void FrameDump::WriteIfFailed() {
    if (::testing::Test::HasFailure()) {
        for (size_t i = 0; i < frames_.size(); ++i) {
            const Frame &f = frames_[i];
            // Two frames of one label get their place in the order too.
            std::string label = f.label;
            for (size_t j = 0; j < frames_.size(); ++j)
                if (j != i && frames_[j].label == f.label) {
                    label += "_" + std::to_string(i + 1);
                    break;
                }
            if (f.pixels.size() < static_cast<size_t>(f.width) * f.height * f.channels) {
                std::printf("frame %s: %zu bytes, too few for %dx%d\n", label.c_str(), f.pixels.size(), f.width,
                            f.height);
                continue;
            }
            const std::string path =
                test_WriteFramePng(label, f.pixels.data(), f.width, f.height, f.channels, f.bottomUp);
            if (path.empty()) {
                std::printf("frame %s: could not be written\n", label.c_str());
            } else {
                std::printf("frame %s (%dx%d) written to %s\n", label.c_str(), f.width, f.height, path.c_str());
            }
        }
        std::fflush(stdout);
    }
    frames_.clear();
}
