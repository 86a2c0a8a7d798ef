// `save screenshot <file>`: the window's next frame as a PNG or BMP file. The
// console thread waits for the window thread to read the frame (without the
// model-list mutex, which the frame needs), then encodes and writes it itself,
// so the next command, typed or from a command file, finds the file written.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console/CommandOutcome.h"
#include "console/Commands.h"
#include "model/io/WriteFailure.h"
#include "scene/ScreenCapture.h"
#include "scene/ScreenshotFile.h"

namespace {

// How long a command waits for a frame: a window that is not shown draws none.
const int kFrameWaitSeconds = 10;

}  // namespace

void saveScreenshotCommand(char** args) {
    const char* file = args[1];
    if (!file) {
        CommandOutcome::report(stdout, "usage: save screenshot <file.png|file.bmp>\n");
        return;
    }
    if (screenshotFormatOf(file) == ImageFormat::kNone) {
        CommandOutcome::report(stdout, "cannot save screenshot as '%s': unsupported extension '%s' (supported: %s)\n",
                               file, imageExtensionOf(file).c_str(), kScreenshotExtensions);
        return;
    }
    Picture frame;
    if (!ScreenCapture::shared().take(std::chrono::seconds(kFrameWaitSeconds), &frame)) {
        CommandOutcome::report(stdout, "screenshot not taken: the window drew no frame within %d seconds\n",
                               kFrameWaitSeconds);
        return;
    }
    std::vector<unsigned char> bytes;
    std::string why;
    if (!encodeScreenshot(frame, screenshotFormatOf(file), &bytes, &why)) {
        CommandOutcome::report(stdout, "cannot save screenshot '%s': %s\n", file, why.c_str());
        return;
    }
    int err = 0;
    if (!writeScreenshotFile(file, bytes, &err)) {
        CommandOutcome::report(stdout, "cannot save screenshot '%s': %s\n", file,
                               WriteFailure::reason(file, err).c_str());
        return;
    }
    std::printf("saved screenshot '%s' (%dx%d)\n", file, frame.width, frame.height);
}
