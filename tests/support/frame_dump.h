// Pictures of the frames a failing test read back.
//
// A pixel test keeps every frame it reads in a FrameDump, usually a member
// of its fixture:
//
//   FrameDump frames;
//   ...
//   const Bytes px = frames.Keep("target", ReadBack(), w, h);
//   EXPECT_EQ(At(px, 3, 4), kRed);
//
// When the test has failed by the time the FrameDump goes (the fixture's
// destructor runs while the test is still the current one), each kept
// frame is written as a PNG under the test temp dir, named after the test
// and the frame's label, and its path is printed. A passing test writes
// nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class FrameDump {
public:
    FrameDump() = default;
    ~FrameDump();
    FrameDump(const FrameDump &) = delete;
    FrameDump &operator=(const FrameDump &) = delete;

    // Keeps a copy of `pixels`: width x height, `channels` bytes a pixel,
    // the top row first (bottomUp: the last row first, as glReadPixels
    // gives them). Returns `pixels`, for use in an initialisation.
    std::vector<uint8_t> Keep(const std::string &label, std::vector<uint8_t> pixels, int width, int height,
                              int channels = 4, bool bottomUp = false);
    // Writes the kept frames now when the test has failed, then forgets them.
    void WriteIfFailed();

private:
    struct Frame {
        std::string label;
        std::vector<uint8_t> pixels;
        int width, height, channels;
        bool bottomUp;
    };
    std::vector<Frame> frames_;
};

// Writes the pixels (top row first unless bottomUp) as a PNG under the test
// temp dir, named after the running test and `label`; returns its path, or
// "" when it could not be written.
std::string test_WriteFramePng(const std::string &label, const uint8_t *pixels, int width, int height,
                               int channels = 4, bool bottomUp = false);
