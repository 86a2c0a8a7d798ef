// The lists and ranges refusals add. Numbers are shown with %g, as short as
// they are exact enough to type back; scripts come from the model's own list.
#include "console/ChoiceWords.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/AnimatedModel.h"

namespace {

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

std::string ChoiceWords::allowedRange(const AttributedModel& model, const char* attr) {
    const double* lower = model.lowerLimit(attr);
    const double* upper = model.upperLimit(attr);
    if (lower && upper)
        return " (allowed: " + number(*lower) + " to " + number(*upper) + ")";
    if (lower)
        return " (allowed: " + number(*lower) + " or more)";
    if (upper)
        return " (allowed: " + number(*upper) + " or less)";
    return std::string();
}

bool ChoiceWords::hasScript(const AnimatedModel& model, const char* script) {
    const char** names = model.getScriptNames();
    bool found = false;
    for (const char** name = names; name && *name && !found; ++name)
        found = std::strcmp(*name, script) == 0;
    std::free(names);
    return found;
}

std::string ChoiceWords::scripts(const AnimatedModel& model) {
    const char** names = model.getScriptNames();
    std::string list;
    for (const char** name = names; name && *name; ++name)
        list += (list.empty() ? "" : ", ") + std::string(*name);
    std::free(names);
    return list.empty() ? "the model has no scripts" : "the model's scripts: " + list;
}
