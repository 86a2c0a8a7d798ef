// Attribute files from hostile bytes: loaded into a small model, each script
// it brought played for a bounded number of ticks, then saved. What was saved
// must load back into a fresh model and save to the same bytes again.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzScratch.h"
#include "tests/model/TestModel.h"

namespace {

const int kTicksPerScript = 300;

void playEveryScript(TestModel& model) {
    const char** names = model.getScriptNames();
    for (const char** name = names; name && *name; ++name) {
        if (model.runScript(*name) != 0)
            continue;
        for (int tick = 0; tick < kTicksPerScript; ++tick)
            model.step();
    }
    std::free(names);
}

void fail(const char* what) {
    std::fprintf(stderr, "attribute file round trip: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = writeScratch("in.xml", data, size);
    const std::string saved = fuzzScratch().path("saved.xml");
    const std::string again = fuzzScratch().path("again.xml");
    TestModel model;
    model.loadAttributes(in.c_str());
    playEveryScript(model);
    if (!model.saveAttributes(saved.c_str()))
        fail("the model could not be saved");

    TestModel back;
    if (!back.loadAttributes(saved.c_str()))
        fail("the saved file does not load back");
    if (!back.saveAttributes(again.c_str()))
        fail("the loaded copy could not be saved");
    if (readFile(saved) != readFile(again))
        fail("the loaded copy saves to other bytes");
    return 0;
}
