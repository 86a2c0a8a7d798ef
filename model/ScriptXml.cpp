// The scripts' part of an animated model's XML element: one "script" element
// per script with its behaviour, one "pose" element per step with its timing
// and interpolation, and the pose's attribute values inside. Reading reports
// every unreadable piece on standard error and counts it as a failure; names
// that could not be written back are unreadable pieces too.
#include <cstdio>
#include <cstring>

#include "model/AnimatedModel.h"
#include "model/xml/XmlText.h"

namespace {

bool readInt(const TiXmlElement* e, const char* name, int* out) {
    const char* text = e->Attribute(name);
    return text && std::sscanf(text, "%d", out) == 1;
}

TiXmlElement* stepToXML(AnimatedModel& model, const script_step& st) {
    TiXmlElement* pe = new TiXmlElement("pose");
    pe->SetAttribute("timing", st.timing);
    pe->SetAttribute("interpolation_type", static_cast<int>(st.interpol));
    if (st.pose)
        model.mapToXML(*st.pose, "attribute", "name", "value", pe);
    return pe;
}

// A step's timing and interpolation; what cannot be read stays 1 and linear.
int readStepHeader(const TiXmlElement* pe, const char* name, int* timing, int* interpolation) {
    int failures = 0;
    if (!readInt(pe, "timing", timing)) {
        std::fprintf(stderr, "error reading timing for a pose in script '%s'\n", name);
        ++failures;
        *timing = 1;
    }
    if (!readInt(pe, "interpolation_type", interpolation)) {
        std::fprintf(stderr, "error reading interpolation type for a pose in script '%s'\n", name);
        ++failures;
        *interpolation = INT_LINEAR;
    }
    return failures;
}

// The step's attribute values; keys borrow the document's strings, which
// appendPose copies. Entries without a name or a readable value are skipped.
int readStepPose(const TiXmlElement* pe, const char* name, position* pose) {
    int failures = 0;
    for (const TiXmlElement* ae = pe->FirstChildElement(); ae; ae = ae->NextSiblingElement()) {
        const char* attr = ae->Attribute("name");
        if (!attr) {
            std::fprintf(stderr, "attribute without a name in script '%s'\n", name);
            ++failures;
            continue;
        }
        if (!isPlainText(attr)) {
            std::fprintf(stderr, "attribute name in script '%s' is not UTF-8 text without control characters\n", name);
            ++failures;
            continue;
        }
        const char* text = ae->Attribute("value");
        double value = 0.0;
        if (!text || std::sscanf(text, "%lf", &value) != 1) {
            std::fprintf(stderr, "error reading value for attribute '%s' in script '%s'", attr, name);
            ++failures;
            continue;
        }
        (*pose)[attr] = value;
    }
    return failures;
}

// Whether a script element holds exactly what the script already holds, as a
// save would have written it: the same behaviour, and step by step the same
// timing, interpolation and values ("%f"). A model that makes scripts of its
// own (an MD2 model's animations) saves them too, and such a file loads back.
bool sameAsWritten(const TiXmlElement* se, const script& existing) {
    int behavior = 0;
    if (!readInt(se, "behavior", &behavior) || behavior != existing.behavior || !existing.steps)
        return false;
    auto st = existing.steps->begin();
    for (const TiXmlElement* pe = se->FirstChildElement(); pe; pe = pe->NextSiblingElement(), ++st) {
        int timing = 0, interpolation = 0;
        if (st == existing.steps->end() || !readInt(pe, "timing", &timing) || timing != st->timing ||
            !readInt(pe, "interpolation_type", &interpolation) || interpolation != st->interpol)
            return false;
        auto entry = st->pose ? st->pose->begin() : position::iterator();
        size_t count = 0;
        for (const TiXmlElement* ae = pe->FirstChildElement(); ae; ae = ae->NextSiblingElement(), ++entry, ++count) {
            const char* attr = ae->Attribute("name");
            const char* text = ae->Attribute("value");
            if (!st->pose || count >= st->pose->size() || !attr || !text || std::strcmp(attr, entry->first) != 0)
                return false;
            char written[64];
            std::snprintf(written, sizeof written, "%f", entry->second);
            if (std::strcmp(written, text) != 0)
                return false;
        }
        if (count != (st->pose ? st->pose->size() : 0))
            return false;
    }
    return st == existing.steps->end();
}

}  // namespace

TiXmlElement* AnimatedModel::toXML() {
    TiXmlElement* element = AttributedModel::toXML();
    for (const auto& entry : scripts) {
        TiXmlElement* se = new TiXmlElement("script");
        se->SetAttribute("name", entry.first);
        se->SetAttribute("behavior", static_cast<int>(entry.second.behavior));
        if (entry.second.steps) {
            for (const script_step& st : *entry.second.steps)
                se->LinkEndChild(stepToXML(*this, st));
        }
        element->LinkEndChild(se);
    }
    return element;
}

int AnimatedModel::fromXML(TiXmlElement* xml) {
    int failures = AttributedModel::fromXML(xml);
    if (failures != 0)
        return failures;
    TiXmlElement* element = findModelElement(xml);
    if (!element)
        return 1;
    for (TiXmlElement* se = element->FirstChildElement("script"); se; se = se->NextSiblingElement("script"))
        failures += scriptFromXML(se);
    return failures;
}

int AnimatedModel::scriptFromXML(TiXmlElement* se) {
    const char* name = se->Attribute("name");
    if (!name) {
        std::fprintf(stderr, "script without a name in model %s\n", model_name ? model_name : "(null)");
        return 1;
    }
    // A taken name skips the whole element: nothing of it may reach another
    // script. An element that repeats the script exactly is no conflict.
    if (newScript(name) != 0) {
        const script* existing = findScript(name);
        if (existing && sameAsWritten(se, *existing))
            return 0;
        std::fprintf(stderr, "error creating new script named '%s' \n", name);
        return 1;
    }
    int failures = 0;
    int behavior = 0;
    if (readInt(se, "behavior", &behavior)) {
        current_script->behavior = static_cast<script_behavior>(behavior);
    } else {
        std::fprintf(stderr, "error reading behavior for script '%s'\n", name);
        ++failures;
    }
    for (TiXmlElement* pe = se->FirstChildElement(); pe; pe = pe->NextSiblingElement()) {
        int timing = 1;
        int interpolation = INT_LINEAR;
        failures += readStepHeader(pe, name, &timing, &interpolation);
        position pose;
        failures += readStepPose(pe, name, &pose);
        appendPose(&pose, timing, interpolation);
    }
    return failures;
}
