// Attribute files from hostile bytes: loaded into a small model with limits,
// then into one without (as every delivered class is: the engine writes past
// limits by design, and a limited model refuses such values when they load
// back), whose scripts are played for a bounded number of ticks before it is
// saved. What was saved must load back into a fresh model with every script.
// A paintable model with a turn of its own reads them too, rewriting old rotations.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "paint/PaintableModel.h"
#include "tests/model/TestModel.h"

namespace {

const int kTicksPerScript = 300;

class UnboundedModel : public TestModel {
public:
    UnboundedModel() {
        lower_limits.clear();
        upper_limits.clear();
    }
};

class UprightModel : public PaintableModel {
public:
    UprightModel() : PaintableModel("tester") {
        class_name = "TestModel";
        setUprightTurn(-90.0, 0.0, -90.0);
    }
};

std::vector<std::string> scriptNames(const TestModel& model) {
    std::vector<std::string> names;
    const char** list = model.getScriptNames();
    for (const char** name = list; name && *name; ++name)
        names.emplace_back(*name);
    std::free(list);
    return names;
}

void playEveryScript(UnboundedModel& model) {
    for (const std::string& name : scriptNames(model)) {
        if (model.runScript(name.c_str()) != 0)
            continue;
        for (int tick = 0; tick < kTicksPerScript; ++tick)
            model.step();
    }
}

void fail(const char* what) {
    std::fprintf(stderr, "attribute file round trip: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = writeScratch("in.xml", data, size);
    const std::string saved = fuzzScratch().path("saved.xml");
    TestModel limited;
    limited.loadAttributes(in.c_str());
    UprightModel turned;
    turned.loadAttributes(in.c_str());
    UnboundedModel model;
    model.loadAttributes(in.c_str());
    playEveryScript(model);
    if (!model.saveAttributes(saved.c_str()))
        fail("the model could not be saved");

    UnboundedModel back;
    if (!back.loadAttributes(saved.c_str()))
        fail("the saved file does not load back");
    if (scriptNames(model) != scriptNames(back))
        fail("the loaded copy has other scripts");
    return 0;
}
