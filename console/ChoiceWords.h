// What a refused word could have been: the additions to the console's
// refusals that name the allowed values.
#pragma once

#include <string>

class AnimatedModel;
class AttributedModel;

class ChoiceWords {
public:
    // " (allowed: <lower> to <upper>)", or with only the limit attr has;
    // empty when it has none.
    static std::string allowedRange(const AttributedModel& model, const char* attr);
    // Whether model has a script of that name.
    static bool hasScript(const AnimatedModel& model, const char* script);
    // "the model's scripts: a, b" (strcmp order), or that it has none.
    static std::string scripts(const AnimatedModel& model);
};
