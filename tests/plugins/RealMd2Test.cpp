// Models that nobody here made: the MD2 files Debian's libirrlicht-doc
// package ships among its example media. The package is fetched once with
// apt-get download into a cache under the build folder and unpacked with
// dpkg-deb; its counts are checked against what each file's header says.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "paint/PaintableModel.h"
#include "plugins/keyform/Md2File.h"
#include "tests/paint/PaintTestSupport.h"
#include "tests/plugins/PluginTestSupport.h"

using namespace plugintest;

namespace {

const char kPackage[] = "libirrlicht-doc";
const char kMedia[] = "usr/share/doc/libirrlicht-dev/media";

// Runs a shell command, collecting what it prints; returns its exit status.
int runCapturing(const std::string& command, std::string* output)
{
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    size_t n;
    output->clear();
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        output->append(buf, n);
    return pclose(p);
}

bool exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Fills the cache with gun.md2, sydney.md2 and gun.jpg; false with the reason
// when the package cannot be had.
bool fetchModels(std::string* cache, std::string* why)
{
    *cache = std::string(VELMORA_BUILD_DIR) + "/test-cache";
    mkdir(cache->c_str(), 0755);
    *cache += "/" + std::string(kPackage);
    mkdir(cache->c_str(), 0755);
    // Tests run in parallel processes; one fetches while the others wait.
    int lock = open((*cache + "/.lock").c_str(), O_CREAT | O_RDWR, 0644);
    if (lock >= 0)
        flock(lock, LOCK_EX);
    struct Unlock {
        int fd;
        ~Unlock()
        {
            if (fd >= 0)
                close(fd);
        }
    } unlock{lock};

    const std::string q = "'" + *cache + "'";
    if (exists(*cache + "/gun.md2") && exists(*cache + "/sydney.md2") && exists(*cache + "/gun.jpg"))
        return true;
    std::string output;
    if (runCapturing("ls " + q + "/" + kPackage + "_*.deb", &output) != 0 &&
        runCapturing("cd " + q + " && apt-get download " + kPackage, &output) != 0) {
        *why = "apt-get download " + std::string(kPackage) + " failed: " + output;
        return false;
    }
    const std::string media = q + "/unpacked/" + kMedia;
    const std::string steps = "cd " + q + " && rm -rf unpacked && dpkg-deb -x " + kPackage +
                              "_*.deb unpacked && gzip -dc " + media + "/gun.md2.gz > gun.md2 && gzip -dc " +
                              media + "/sydney.md2.gz > sydney.md2 && cp " + media + "/gun.jpg gun.jpg && rm -rf unpacked";
    if (runCapturing(steps, &output) != 0) {
        ADD_FAILURE() << "unpacking " << kPackage << " failed: " << output;
        return false;
    }
    return true;
}

// Counts and sections checked against the header, read here on its own.
void checkAgainstHeader(const std::string& file)
{
    SCOPED_TRACE(file);
    const std::vector<unsigned char> raw = painttest::readFile(file);
    const std::vector<uint8_t> bytes(raw.begin(), raw.end());
    ASSERT_GE(bytes.size(), 68u);
    const int32_t numSkins = peek32(bytes, F_NUM_SKINS), numXyz = peek32(bytes, F_NUM_XYZ),
                  numSt = peek32(bytes, F_NUM_ST), numTris = peek32(bytes, F_NUM_TRIS);
    const int32_t ofsSkins = peek32(bytes, F_OFS_SKINS), ofsFrames = peek32(bytes, F_OFS_FRAMES);

    Md2File md2;
    ASSERT_EQ(Md2File::MD2_READ, md2.read(file.c_str()));
    EXPECT_EQ(static_cast<size_t>(numSkins), md2.skins.size());
    EXPECT_EQ(static_cast<size_t>(numXyz), md2.vertices.size());
    EXPECT_EQ(static_cast<size_t>(numSt), md2.texCoords.size());
    EXPECT_EQ(static_cast<size_t>(numTris), md2.triangles.size());
    for (int32_t i = 0; i < numSkins; ++i) {
        const char* record = reinterpret_cast<const char*>(&bytes[ofsSkins + 64 * i]);
        EXPECT_EQ(std::string(record, strnlen(record, 64)), md2.skins[i]);
    }
    // A well-made model names only what it has.
    for (const Md2File::Triangle& tri : md2.triangles)
        for (int j = 0; j < 3; ++j) {
            EXPECT_TRUE(tri.index_xyz[j] >= 0 && tri.index_xyz[j] < numXyz);
            EXPECT_TRUE(tri.index_st[j] >= 0 && tri.index_st[j] < numSt);
        }
    // Every vertex lies in the box the first frame's scale and translation span.
    float scale[3], translate[3];
    for (int k = 0; k < 3; ++k) {
        int32_t s = peek32(bytes, ofsFrames + 4 * k), t = peek32(bytes, ofsFrames + 12 + 4 * k);
        std::memcpy(&scale[k], &s, 4);
        std::memcpy(&translate[k], &t, 4);
    }
    for (const Md2File::Vertex& v : md2.vertices) {
        EXPECT_LT(v.lightnormalindex, 162);
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(v.pos[k], translate[k]);
            EXPECT_LE(v.pos[k], 255.0f * scale[k] + translate[k]);
        }
    }
}

TEST(RealMd2, counts_match_the_header)
{
    std::string cache, why;
    if (!fetchModels(&cache, &why)) {
        GTEST_SKIP() << why;
    }
    checkAgainstHeader(cache + "/gun.md2");
    checkAgainstHeader(cache + "/sydney.md2");
}

class RealMd2Model : public PluginModelTest {};

TEST_F(RealMd2Model, gun_is_shown_with_its_skin)
{
    std::string cache, why;
    if (!fetchModels(&cache, &why)) {
        GTEST_SKIP() << why;
    }
    // Its skin is named as a PCX file under Quake's directories; the model
    // looks for a BMP of the same name in its own directory.
    const std::string gun = dir.path("gun");
    mkdir(gun.c_str(), 0755);
    ASSERT_TRUE(copyFile(cache + "/gun.md2", gun + "/tris.md2"));
    ASSERT_EQ(0, painttest::run(painttest::convertTool() + " '" + cache + "/gun.jpg' -type TrueColor BMP3:'" + gun +
                                "/skin.bmp'"));

    model_factory factory = load("Keyform");
    ASSERT_NE(nullptr, factory);
    std::unique_ptr<PaintableModel> model(dynamic_cast<PaintableModel*>(factory(gun.c_str())));
    testing::internal::CaptureStdout();
    model->draw();
    testing::internal::GetCapturedStdout();

    const std::vector<unsigned char> raw = painttest::readFile(gun + "/tris.md2");
    const std::vector<uint8_t> bytes(raw.begin(), raw.end());
    EXPECT_EQ(162u, normalCount(model.get()));
    EXPECT_EQ(static_cast<size_t>(peek32(bytes, F_NUM_XYZ)), vertexCount(model.get()));
    EXPECT_EQ(static_cast<size_t>(peek32(bytes, F_NUM_ST)), texCoordCount(model.get()));
    EXPECT_EQ(static_cast<size_t>(peek32(bytes, F_NUM_TRIS)), triangleCount(model.get()));
    EXPECT_EQ(1, model->numTextures());
    EXPECT_NE(0u, model->getTriangle(0)->getTexture());
}

}  // namespace
