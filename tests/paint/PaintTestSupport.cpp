// Helpers for the paint tests; see PaintTestSupport.h.
#include "tests/paint/PaintTestSupport.h"

#include <GL/freeglut.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <cstdint>
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

std::vector<unsigned char> gradient(int width, int height)
{
    std::vector<unsigned char> rgb;
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            rgb.insert(rgb.end(), {static_cast<unsigned char>(x * 37 + 11), static_cast<unsigned char>(y * 53 + 7),
                                   static_cast<unsigned char>((x + 1) * (y + 3) * 19)});
    return rgb;
}

std::vector<unsigned char> makeBmp(const BmpSpec& spec)
{
    const std::vector<unsigned char> rgb = gradient(spec.width, spec.height);
    const uint32_t stride = (spec.width * 3 + 3) / 4 * 4, pixel_bytes = stride * spec.height;
    const uint32_t height = static_cast<uint32_t>(spec.top_down ? -spec.height : spec.height);
    // {offset, value, bytes}: magic, file size, pixel offset, info header size, width, height,
    // planes, bits per pixel, pixel array size, resolution; compression and palette stay 0.
    const uint32_t fields[][3] = {{0, 0x4D42, 2}, {2, 54 + pixel_bytes, 4}, {10, 54, 4}, {14, 40, 4},
                                  {18, static_cast<uint32_t>(spec.width), 4}, {22, height, 4}, {26, 1, 2},
                                  {28, 24, 2}, {34, pixel_bytes, 4}, {38, 2835, 4}, {42, 2835, 4}};
    std::vector<unsigned char> b(54 + pixel_bytes, 0);
    for (const auto& field : fields)
        for (uint32_t i = 0; i < field[2]; ++i)
            b[field[0] + i] = (field[1] >> (8 * i)) & 0xff;
    for (int row = 0; row < spec.height; ++row)  // bottom row first unless top_down
        for (int x = 0; x < spec.width; ++x)
            for (int c = 0; c < 3; ++c) {  // blue, green, red
                const int top_row = spec.top_down ? row : spec.height - 1 - row;
                const unsigned char value = rgb[3 * (top_row * spec.width + x) + 2 - c];
                b[54 + row * stride + 3 * x + c] = static_cast<unsigned char>(spec.fill >= 0 ? spec.fill : value);
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
    return "/usr/bin/convert";  // the distribution's, not a wrapper earlier on the PATH
}

int run(const std::string& command)
{
    return std::system((command + " 2>/dev/null").c_str());
}

bool magickPixels(const std::string& file, int* width, int* height, std::vector<unsigned char>* rgb)
{
    FILE* p = popen((convertTool() + " '" + file + "' -depth 8 ppm:- 2>/dev/null").c_str(), "r");
    if (!p)
        return false;
    int max = 0;
    bool ok = fscanf(p, "P6 %d %d %d", width, height, &max) == 3 && max == 255 && fgetc(p) != EOF;
    if (ok) {
        rgb->resize(static_cast<size_t>(*width) * *height * 3);
        ok = fread(rgb->data(), 1, rgb->size(), p) == rgb->size();
    }
    return pclose(p) == 0 && ok;
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
