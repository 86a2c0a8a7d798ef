// The mark that tells attribute files with rotations of the upright model
// from older ones, and the rewriting of an older file's rotations, on a copy
// of its elements, before the model reads them. Rewritten values are written
// with "%f", as a save writes them, so a script read twice still matches.
#include "paint/UprightFile.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "paint/mesh/EulerTurn.h"

namespace {

const char* const kMarkName = "rotations";
const char* const kMarkValue = "upright";
const char* const kRotations[3] = {"rotation_x", "rotation_y", "rotation_z"};

// The rotation entries among an element's children: the elements naming each
// angle and the value each angle takes (the last one's, as in the reader).
struct Rotations {
    std::vector<TiXmlElement*> entries[3];
    double value[3] = {0.0, 0.0, 0.0};
    bool readable = true;

    bool any() const { return !entries[0].empty() || !entries[1].empty() || !entries[2].empty(); }
};

// tag null: every child, as a pose is read.
Rotations gather(TiXmlElement* parent, const char* tag) {
    Rotations found;
    TiXmlElement* first = tag ? parent->FirstChildElement(tag) : parent->FirstChildElement();
    for (TiXmlElement* e = first; e; e = tag ? e->NextSiblingElement(tag) : e->NextSiblingElement()) {
        const char* name = e->Attribute("name");
        for (int k = 0; name && k < 3; ++k) {
            if (std::strcmp(name, kRotations[k]) != 0)
                continue;
            const char* text = e->Attribute("value");
            double value = 0.0;
            if (text && std::sscanf(text, "%lf", &value) == 1 && std::isfinite(value))
                found.value[k] = value;
            else
                found.readable = false;
            found.entries[k].push_back(e);
        }
    }
    return found;
}

// Rewrites parent's rotation entries; old holds the old-style angles in force,
// which the entries' own values replace, and keeps them for what follows.
void rewrite(TiXmlElement* parent, const char* tag, const double upright[3], double old[3]) {
    Rotations found = gather(parent, tag);
    if (!found.any() || !found.readable)
        return;
    for (int k = 0; k < 3; ++k)
        if (!found.entries[k].empty())
            old[k] = found.value[k];
    double now[3];
    UprightFile::fromOld(old, upright, now);
    for (int k = 0; k < 3; ++k) {
        char text[64];
        std::snprintf(text, sizeof text, "%f", now[k]);
        if (found.entries[k].empty()) {
            // A partial set turned the model with the angles already in force;
            // converted, all three angles change, so all three are given.
            TiXmlElement* added = new TiXmlElement("attribute");
            added->SetAttribute("name", kRotations[k]);
            added->SetAttribute("value", text);
            parent->LinkEndChild(added);
        }
        for (TiXmlElement* e : found.entries[k])
            e->SetAttribute("value", text);
    }
}

}  // namespace

void UprightFile::mark(TiXmlElement* element) {
    if (element)
        element->SetAttribute(kMarkName, kMarkValue);
}

bool UprightFile::marked(const TiXmlElement* given, const TiXmlElement* element) {
    for (const TiXmlElement* e : {element, given}) {
        const char* mark = e ? e->Attribute(kMarkName) : nullptr;
        if (mark && std::strcmp(mark, kMarkValue) == 0)
            return true;
    }
    return false;
}

void UprightFile::fromOld(const double old[3], const double upright[3], double out[3]) {
    EulerTurn::Matrix turn, own, back, now;
    EulerTurn::toMatrix(old, turn);
    EulerTurn::toMatrix(upright, own);
    EulerTurn::transpose(own, back);
    EulerTurn::multiply(turn, back, now);
    EulerTurn::toDegrees(now, out);
}

void UprightFile::toOld(const double now[3], const double upright[3], double out[3]) {
    EulerTurn::Matrix turn, own, old;
    EulerTurn::toMatrix(now, turn);
    EulerTurn::toMatrix(upright, own);
    EulerTurn::multiply(turn, own, old);
    EulerTurn::toDegrees(old, out);
}

void UprightFile::convert(TiXmlElement* element, const double upright[3], const double current[3]) {
    if (!element)
        return;
    double old[3];
    toOld(current, upright, old);
    rewrite(element, "attribute", upright, old);
    // A pose that leaves an angle out keeps the one the steps before it left.
    for (TiXmlElement* se = element->FirstChildElement("script"); se; se = se->NextSiblingElement("script")) {
        double inScript[3] = {old[0], old[1], old[2]};
        for (TiXmlElement* pose = se->FirstChildElement(); pose; pose = pose->NextSiblingElement())
            rewrite(pose, nullptr, upright, inScript);
    }
}
