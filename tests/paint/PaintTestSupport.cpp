// Helpers for the paint tests; see PaintTestSupport.h.
#include "tests/paint/PaintTestSupport.h"

#include <GL/freeglut.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace painttest {

ScratchDir::ScratchDir()
{
    std::string templ = (std::filesystem::temp_directory_path() / "velmora-paint-XXXXXX").string();
    char* made = mkdtemp(&templ[0]);
    dir = made ? made : "/tmp";
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    if (dir != "/tmp")
        std::filesystem::remove_all(dir, ignored);
}

std::vector<std::string> ScratchDir::entries() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    return names;
}

void gradientPixel(int x, int y, unsigned char* rgb)
{
    rgb[0] = static_cast<unsigned char>(x * 37 + 11);
    rgb[1] = static_cast<unsigned char>(y * 53 + 7);
    rgb[2] = static_cast<unsigned char>((x + 1) * (y + 3) * 19);
}

static void put16(std::vector<unsigned char>& b, size_t at, uint32_t v)
{
    b[at] = v & 0xff;
    b[at + 1] = (v >> 8) & 0xff;
}

static void put32(std::vector<unsigned char>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = (v >> (8 * i)) & 0xff;
}

std::vector<unsigned char> makeBmp(const BmpSpec& spec)
{
    const size_t stride = (static_cast<size_t>(spec.width) * 3 + 3) / 4 * 4;
    const size_t pixel_bytes = stride * spec.height;
    const uint32_t offset = spec.data_offset ? spec.data_offset : 14 + spec.header_size;
    std::vector<unsigned char> b(std::max<size_t>(offset, 14 + spec.header_size) + pixel_bytes, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, spec.file_size_field ? spec.file_size_field : static_cast<uint32_t>(b.size()));
    put32(b, 10, offset);
    put32(b, 14, spec.header_size);
    put32(b, 18, static_cast<uint32_t>(spec.width_field == INT32_MIN ? spec.width : spec.width_field));
    put32(b, 22, static_cast<uint32_t>(spec.top_down ? -spec.height : spec.height));
    put16(b, 26, 1);
    put16(b, 28, spec.bpp);
    put32(b, 30, spec.compression);
    put32(b, 34, static_cast<uint32_t>(spec.image_size < 0 ? pixel_bytes : spec.image_size));
    put32(b, 38, 2835);
    put32(b, 42, 2835);
    for (int row = 0; row < spec.height; ++row) {
        int y = spec.top_down ? spec.height - 1 - row : row;
        for (int x = 0; x < spec.width; ++x) {
            unsigned char rgb[3];
            gradientPixel(x, y, rgb);
            if (spec.fill >= 0)
                rgb[0] = rgb[1] = rgb[2] = static_cast<unsigned char>(spec.fill);
            size_t at = offset + row * stride + 3 * x;
            b[at] = rgb[2];
            b[at + 1] = rgb[1];
            b[at + 2] = rgb[0];
        }
    }
    return b;
}

std::vector<unsigned char> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string convertTool()
{
    // The distribution's ImageMagick, not any wrapper earlier on the PATH.
    return access("/usr/bin/convert", X_OK) == 0 ? "/usr/bin/convert" : "convert";
}

int run(const std::string& command)
{
    return std::system((command + " 2>/dev/null").c_str());
}

static bool readCommand(const std::string& command, std::string* out)
{
    FILE* p = popen((command + " 2>/dev/null").c_str(), "r");
    if (!p)
        return false;
    char buf[4096];
    size_t n;
    out->clear();
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out->append(buf, n);
    return pclose(p) == 0;
}

bool magickPixels(const std::string& file, int* width, int* height, std::vector<unsigned char>* rgb)
{
    std::string size, bytes;
    if (!readCommand(convertTool() + " '" + file + "' -format '%w %h' info:", &size))
        return false;
    if (sscanf(size.c_str(), "%d %d", width, height) != 2)
        return false;
    if (!readCommand(convertTool() + " '" + file + "' -depth 8 rgb:-", &bytes))
        return false;
    rgb->assign(bytes.begin(), bytes.end());
    return rgb->size() == static_cast<size_t>(*width) * *height * 3;
}

#if defined(__SANITIZE_ADDRESS__)
// The GL driver is unloaded at exit before the sanitizer's own leak check,
// which then cannot name the driver's allocations and so cannot suppress
// them. Checking from an exit handler runs while the driver is still there.
static void checkLeaksWhileDriverLoaded()
{
    __lsan_do_leak_check();
}
#endif

bool ensureGlContext()
{
    static int window = 0;
    if (!getenv("DISPLAY"))
        return false;
    if (window == 0) {
        if (!glutGet(GLUT_INIT_STATE)) {
            int argc = 1;
            char name[] = "velmora_tests";
            char* argv[] = {name, nullptr};
            glutInit(&argc, argv);
        }
        glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(64, 64);
        window = glutCreateWindow("paint tests");
        glutHideWindow();
#if defined(__SANITIZE_ADDRESS__)
        atexit(checkLeaksWhileDriverLoaded);
#endif
    }
    glutSetWindow(window);
    return true;
}

}  // namespace painttest
