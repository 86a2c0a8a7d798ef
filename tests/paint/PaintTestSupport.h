// Shared pieces of the paint tests: a scratch directory, BMP files written
// byte by byte (independently of the image writer), ImageMagick as the
// reference reader, and a hidden GLUT window for the tests that need OpenGL.
#ifndef VELMORA_TESTS_PAINT_PAINTTESTSUPPORT_H
#define VELMORA_TESTS_PAINT_PAINTTESTSUPPORT_H

#include <string>
#include <vector>

namespace painttest {

// A fresh temporary directory, removed with its contents by the destructor.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& root() const { return dir; }
    std::string path(const std::string& name) const { return dir + "/" + name; }

private:
    std::string dir;
};

// A plain bottom-up 24-bit BMP file, or one stored top row first.
struct BmpSpec {
    int width = 4;
    int height = 3;
    bool top_down = false;
    int fill = -1;  // 0..255: every byte of every pixel, else the gradient
};

std::vector<unsigned char> makeBmp(const BmpSpec& spec);
// The picture makeBmp writes unless told to fill: RGB bytes, top row first.
std::vector<unsigned char> gradient(int width, int height);
std::vector<unsigned char> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<unsigned char>& bytes);

// ImageMagick's convert; runs a command line and returns its exit status.
std::string convertTool();
int run(const std::string& command);
// ImageMagick's reading of a file: RGB bytes, top row first.
bool magickPixels(const std::string& file, int* width, int* height, std::vector<unsigned char>* rgb);

// Makes a GL context current (a hidden GLUT window, once per process);
// false when there is no display.
bool ensureGlContext();

}  // namespace painttest

#endif
