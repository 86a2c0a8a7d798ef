// Screenshots without a window: a frame handed from the drawing thread to a waiting one, and the files it becomes.
#include <gtest/gtest.h>
#include "tests/SameBytes.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "paint/image/ImageCodec.h"
#include "scene/RedrawRequest.h"
#include "scene/ScreenCapture.h"
#include "scene/ScreenshotFile.h"

namespace {

using std::chrono::milliseconds;

// Every pixel different, bottom row first: a picture turned over, mirrored or with red and blue swapped fails.
Picture sampleFrame() {
    Picture frame;
    frame.width = 3;
    frame.height = 2;
    frame.rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30, 40, 50, 60, 200, 100, 0};
    return frame;
}

// Plays the window thread: serves every request with sampleFrame until stopped.
class DrawingThread {
public:
    explicit DrawingThread(ScreenCapture& capture)
        : thread_([this, &capture] {
              while (!stop_) {
                  capture.serve([this] {
                      ++reads_;
                      return sampleFrame();
                  });
                  ++rounds_;
                  std::this_thread::sleep_for(milliseconds(1));
              }
          }) {}
    // Returns once the thread has served three more times, so that any frame it was to read is read.
    void settle() const {
        const int until = rounds_ + 3;
        for (auto end = std::chrono::steady_clock::now() + milliseconds(5000);
             rounds_ < until && std::chrono::steady_clock::now() < end;)
            std::this_thread::yield();
    }
    ~DrawingThread() {
        stop_ = true;
        thread_.join();
    }
    int reads() const { return reads_; }

private:
    std::atomic<bool> stop_ = false;
    std::atomic<int> reads_ = 0, rounds_ = 0;
    std::thread thread_;
};

}  // namespace

TEST(ScreenCapture, a_request_gets_the_next_frame_and_only_a_request_reads_one) {
    ScreenCapture capture;
    takeRedrawRequest();
    DrawingThread window(capture);
    window.settle();
    EXPECT_EQ(window.reads(), 0);  // frames nobody asked for are not read
    Picture frame;
    ASSERT_TRUE(capture.take(milliseconds(5000), &frame));
    EXPECT_TRUE(takeRedrawRequest());  // a resting window is asked to draw
    EXPECT_TRUE(sameBytes(frame.rgb, sampleFrame().rgb));
    EXPECT_EQ(frame.width, 3);
    window.settle();
    EXPECT_EQ(window.reads(), 1);
}

TEST(ScreenCapture, a_request_that_timed_out_is_withdrawn) {
    ScreenCapture capture;
    Picture frame;
    EXPECT_FALSE(capture.take(milliseconds(30), &frame));
    EXPECT_FALSE(capture.asked());
    bool read = false;
    capture.serve([&read] {
        read = true;
        return sampleFrame();
    });
    EXPECT_FALSE(read);  // a frame drawn late is not read for the withdrawn request
    DrawingThread window(capture);
    ASSERT_TRUE(capture.take(milliseconds(5000), &frame));  // and the next one waits for its own
    EXPECT_TRUE(sameBytes(frame.rgb, sampleFrame().rgb));
}

TEST(ScreenshotFile, names_choose_png_or_bmp_whatever_their_case) {
    const struct {
        const char* name;
        ImageFormat format;
    } cases[] = {{"a.png", ImageFormat::kPng},      {"shots/A.PNG", ImageFormat::kPng}, {"x.Bmp", ImageFormat::kBmp},
                 {"a.jpg", ImageFormat::kNone},     {"a.tga", ImageFormat::kNone},      {"png", ImageFormat::kNone},
                 {"a.png.txt", ImageFormat::kNone}, {"d.png/file", ImageFormat::kNone}};
    for (const auto& c : cases)
        EXPECT_EQ(screenshotFormatOf(c.name), c.format) << c.name;
}

TEST(ScreenshotFile, both_formats_hold_the_frame_the_right_way_up) {
    for (ImageFormat format : {ImageFormat::kPng, ImageFormat::kBmp}) {
        std::vector<unsigned char> bytes;
        std::string why;
        ASSERT_TRUE(encodeScreenshot(sampleFrame(), format, &bytes, &why)) << why;
        Picture back;
        ASSERT_TRUE(ImageCodec::decode(bytes.data(), bytes.size(), format, &back, &why)) << why;
        EXPECT_EQ(back.width, 3);
        EXPECT_EQ(back.height, 2);
        EXPECT_TRUE(sameBytes(back.rgb, sampleFrame().rgb)) << static_cast<int>(format);
    }
    Picture torn = sampleFrame();
    torn.rgb.pop_back();
    std::vector<unsigned char> bytes;
    std::string why;
    EXPECT_FALSE(encodeScreenshot(torn, ImageFormat::kPng, &bytes, &why));
    EXPECT_FALSE(encodeScreenshot(Picture(), ImageFormat::kBmp, &bytes, &why));
}
