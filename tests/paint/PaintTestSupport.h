// Shared pieces of the paint tests: a scratch directory, BMP files written
// byte by byte (independently of the image writer), ImageMagick as the
// reference reader, and a hidden GLUT window for the tests that need OpenGL.
#ifndef VELMORA_TESTS_PAINT_PAINTTESTSUPPORT_H
#define VELMORA_TESTS_PAINT_PAINTTESTSUPPORT_H

#include <cstdint>
#include <string>
#include <vector>

namespace painttest {

// A fresh directory under the system's temporary directory, removed with its
// contents by the destructor.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& root() const { return dir; }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    std::vector<std::string> entries() const;

private:
    std::string dir;
};

// How a hand-made BMP file deviates from the plain bottom-up 54-byte layout.
struct BmpSpec {
    int width = 4;
    int height = 3;
    bool top_down = false;
    uint32_t header_size = 40;
    uint32_t data_offset = 0;       // 0: right after the info header
    int64_t image_size = -1;        // -1: the padded pixel bytes
    uint16_t bpp = 24;
    uint32_t compression = 0;
    int32_t width_field = INT32_MIN;  // INT32_MIN: width
    uint32_t file_size_field = 0;     // 0: the real size
    int fill = -1;                    // 0..255: every byte of every pixel, else the gradient
};

// Pixel (x, y), y = 0 the bottom row, of the gradient used throughout.
void gradientPixel(int x, int y, unsigned char* rgb);
// The file bytes for spec, its pixels taken from gradientPixel.
std::vector<unsigned char> makeBmp(const BmpSpec& spec);

std::vector<unsigned char> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<unsigned char>& bytes);

// ImageMagick's convert; runs a command line and returns its exit status.
std::string convertTool();
int run(const std::string& command);
// ImageMagick's reading of a file: RGB bytes, top row first.
bool magickPixels(const std::string& file, int* width, int* height, std::vector<unsigned char>* rgb);

// Makes a GL context current (a hidden GLUT window, once per process).
// False when there is no display.
bool ensureGlContext();

}  // namespace painttest

#endif
