// Poses, scripts and their XML form, the per-tick animation engine and speed
// control. Step poses own copies of their key strings, so a step never depends
// on the model or pose it was built from; the engine's own maps are keyed by
// the model's attribute names. Engine positions are list iterators, valid
// across appends; every advance is checked against the end of the list.
#include "model/AnimatedModel.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "model/Interpolation.h"
#include "model/SpeedControl.h"

namespace {

char* copyString(const char* s) {
    size_t n = std::strlen(s) + 1;
    char* copy = static_cast<char*>(std::malloc(n));
    if (copy)
        std::memcpy(copy, s, n);
    return copy;
}

// A pose whose keys are private copies; null if memory ran out.
position* copyPoseOwningKeys(const position& pose) {
    position* copy = new position;
    for (const auto& entry : pose) {
        char* key = copyString(entry.first);
        if (!key)
            continue;
        (*copy)[key] = entry.second;
    }
    return copy;
}

void freePoseOwningKeys(position* pose) {
    if (!pose)
        return;
    for (const auto& entry : *pose)
        std::free(const_cast<char*>(entry.first));
    delete pose;
}

double poseValue(const position* pose, const char* name) {
    if (!pose || !name)
        return 0.0;
    auto it = pose->find(name);
    return it == pose->end() ? 0.0 : it->second;
}

bool isSpline(int interpol) {
    return interpol == INT_CUBIC_BEZIER || interpol == INT_CATMULL_ROM;
}

// Moves `it` forward by `n` steps; false if it reaches or passes the end.
bool advanceWithin(script_steps::iterator& it, int n, script_steps::iterator end) {
    for (int i = 0; i < n; ++i) {
        if (it == end)
            return false;
        ++it;
    }
    return it != end;
}

// Forward-only lookup in a map ordered like the pose being walked: the pose's
// names come in ascending order, so each search resumes where the previous one
// stopped instead of descending the tree again for every name, every tick.
class OrderedCursor {
public:
    explicit OrderedCursor(position& map) : it(map.begin()), end(map.end()) {}

    // The value stored under `name`, or null; names must be asked for in ascending order.
    double* find(const char* name) {
        cmp_str less;
        // The engine's maps share the attributes' key pointers, so most hits need no strcmp.
        if (it != end && it->first != name) {
            while (it != end && less(it->first, name))
                ++it;
            if (it == end || less(name, it->first))
                return nullptr;
        }
        if (it == end)
            return nullptr;
        double* value = &it->second;
        ++it;
        return value;
    }

private:
    position::iterator it;
    position::iterator end;
};

double valueOrZero(const double* value) {
    return value ? *value : 0.0;
}

bool readInt(const TiXmlElement* e, const char* name, int* out) {
    const char* text = e->Attribute(name);
    return text && std::sscanf(text, "%d", out) == 1;
}

}  // namespace

AnimatedModel::AnimatedModel()
    : ticks_left(0),
      ticks_total(0),
      animate(false),
      current_script(nullptr),
      current_interpolation(INT_LINEAR),
      spline_script(nullptr) {}

AnimatedModel::~AnimatedModel() {
    for (auto& entry : scripts) {
        script_steps* steps = entry.second.steps;
        if (steps) {
            for (script_step& s : *steps) {
                freePoseOwningKeys(s.pose);
                std::free(s.tValues);
            }
            delete steps;
        }
        std::free(const_cast<char*>(entry.first));
    }
}

// [SECTION] poses and scripts

position* AnimatedModel::getPose() const {
    return new position(attributes);
}

script* AnimatedModel::findScript(const char* name) {
    if (!name)
        return nullptr;
    auto found = scripts.find(name);
    return found == scripts.end() ? nullptr : &found->second;
}

void AnimatedModel::endTransition() {
    ticks_left = 0;
}

int AnimatedModel::newScript(const char* name) {
    if (!name || findScript(name))
        return -1;
    char* key = copyString(name);
    if (!key)
        return -1;
    // The transition in progress may step through another script's list.
    endTransition();
    script s;
    s.steps = new script_steps;
    s.behavior = SCR_TERMINATE;
    current_script = &scripts.emplace(key, s).first->second;
    return 0;
}

int AnimatedModel::selectScript(const char* name) {
    script* found = findScript(name);
    if (!found)
        return -1;
    endTransition();
    current_script = found;
    return 0;
}

int AnimatedModel::getScriptCount() const {
    return static_cast<int>(scripts.size());
}

const char** AnimatedModel::getScriptNames() const {
    const char** names = static_cast<const char**>(std::malloc((scripts.size() + 1) * sizeof(const char*)));
    if (!names)
        return nullptr;
    size_t i = 0;
    for (const auto& entry : scripts)
        names[i++] = entry.first;
    names[i] = nullptr;
    return names;
}

int AnimatedModel::appendPose(position* pose, int timing, int interpolation) {
    // Checked before the copy is made, so a refused pose costs nothing.
    if (!current_script) {
        std::puts("no current script");
        return -1;
    }
    if (!current_script->steps) {
        std::puts("current_script->steps == null");
        return -1;
    }
    script_step s;
    s.pose = pose ? copyPoseOwningKeys(*pose) : new position;
    s.timing = timing <= 0 ? 1 : timing;
    s.interpol = static_cast<interpolation_type>(interpolation);
    s.tValues = nullptr;
    current_script->steps->push_back(s);
    return 0;
}

int AnimatedModel::runScript(const char* name) {
    script* found = findScript(name);
    if (!found)
        return -1;
    script& s = *found;
    script_steps* steps = s.steps;
    if (!steps || steps->empty())
        return -1;
    // Refuse step patterns the engine cannot play rather than discover it mid-way.
    interpolation_type first = steps->front().interpol;
    size_t n = steps->size();
    if (first == INT_CUBIC_BEZIER && (n < 4 || n % 3 != 1 || s.behavior == SCR_REPEAT))
        return -1;
    if (first == INT_CATMULL_ROM && n < 3)
        return -1;
    if (!isSpline(first)) {
        for (const script_step& st : *steps)
            if (isSpline(st.interpol))
                return -1;
    }

    endTransition();
    current_script = &s;
    current_step = steps->begin();
    if (first == INT_CUBIC_BEZIER) {
        last_step = current_step;
        xtra_step1 = std::next(last_step, 1);
        xtra_step2 = std::next(last_step, 2);
        current_step = std::next(last_step, 3);
        spline_script = &s;
    } else if (first == INT_CATMULL_ROM) {
        last_step = xtra_step1 = current_step;
        current_step = std::next(last_step, 1);
        xtra_step2 = std::next(last_step, 2);
        spline_script = &s;
    } else {
        spline_script = nullptr;
    }
    ticks_left = ticks_total = current_step->timing;
    prepareNextPose(current_step->pose, current_step->timing, current_step->interpol);
    return 0;
}

int AnimatedModel::stopScript() {
    ticks_left = 0;
    current_script = nullptr;
    return 0;
}

// [SECTION] XML

TiXmlElement* AnimatedModel::toXML() {
    TiXmlElement* element = AttributedModel::toXML();
    for (const auto& entry : scripts) {
        TiXmlElement* se = new TiXmlElement("script");
        se->SetAttribute("name", entry.first);
        se->SetAttribute("behavior", static_cast<int>(entry.second.behavior));
        if (entry.second.steps) {
            for (const script_step& st : *entry.second.steps) {
                TiXmlElement* pe = new TiXmlElement("pose");
                pe->SetAttribute("timing", st.timing);
                pe->SetAttribute("interpolation_type", static_cast<int>(st.interpol));
                if (st.pose)
                    mapToXML(*st.pose, "attribute", "name", "value", pe);
                se->LinkEndChild(pe);
            }
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
    for (TiXmlElement* se = element->FirstChildElement("script"); se; se = se->NextSiblingElement("script")) {
        const char* name = se->Attribute("name");
        if (!name) {
            std::fprintf(stderr, "script without a name in model %s\n", model_name ? model_name : "(null)");
            ++failures;
            continue;
        }
        // A taken name skips the whole element: nothing of it may reach another script.
        if (newScript(name) != 0) {
            std::fprintf(stderr, "error creating new script named '%s' \n", name);
            ++failures;
            continue;
        }
        int behavior = 0;
        if (readInt(se, "behavior", &behavior)) {
            current_script->behavior = static_cast<script_behavior>(behavior);
        } else {
            std::fprintf(stderr, "error reading behavior for script '%s'\n", name);
            ++failures;
        }
        for (TiXmlElement* pe = se->FirstChildElement(); pe; pe = pe->NextSiblingElement()) {
            int timing = 1;
            if (!readInt(pe, "timing", &timing)) {
                std::fprintf(stderr, "error reading timing for a pose in script '%s'\n", name);
                ++failures;
                timing = 1;
            }
            int interpolation = INT_LINEAR;
            if (!readInt(pe, "interpolation_type", &interpolation)) {
                std::fprintf(stderr, "error reading interpolation type for a pose in script '%s'\n", name);
                ++failures;
                interpolation = INT_LINEAR;
            }
            // Keys borrow the document's strings; appendPose copies them.
            position pose;
            for (TiXmlElement* ae = pe->FirstChildElement(); ae; ae = ae->NextSiblingElement()) {
                const char* attr = ae->Attribute("name");
                if (!attr) {
                    std::fprintf(stderr, "attribute without a name in script '%s'\n", name);
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
                pose[attr] = value;
            }
            appendPose(&pose, timing, interpolation);
        }
    }
    return failures;
}

// [SECTION] engine

void AnimatedModel::animateTo(position target, int duration, int interpol) {
    prepareNextPose(&target, duration, static_cast<interpolation_type>(interpol));
    current_script = nullptr;
    ticks_left = ticks_total = duration;
}

bool AnimatedModel::splineStepsReady() const {
    if (!current_script || current_script != spline_script || !current_script->steps)
        return false;
    script_steps::iterator end = current_script->steps->end();
    return current_step != end && last_step != end && xtra_step1 != end && xtra_step2 != end;
}

void AnimatedModel::prepareNextPose(position* target, int duration, interpolation_type interpol) {
    next_pose.clear();
    prev_pose.clear();
    current_interpolation = interpol;
    if (!target)
        return;
    // Control steps exist only while a spline script started by runScript is current.
    if (isSpline(interpol) && !splineStepsReady())
        return;
    for (const auto& entry : *target) {
        auto attr = attributes.find(entry.first);
        if (attr == attributes.end())
            continue;
        const char* name = attr->first;
        double change = entry.second - attr->second;
        switch (interpol) {
            case INT_LINEAR:
                if (duration > 0)
                    change = change / duration;
                break;
            case INT_SIN:
            case INT_HARMONIC:
                if (change != 0)
                    prev_pose[name] = attr->second;
                break;
            case INT_CUBIC_BEZIER:
            case INT_CATMULL_ROM: {
                double p0 = poseValue(last_step->pose, name);
                double p1 = poseValue(xtra_step1->pose, name);
                double p2 = poseValue(xtra_step2->pose, name);
                double p3 = poseValue(current_step->pose, name);
                if (!(p0 == p1 && p1 == p2 && p2 == p3)) {
                    prev_pose[name] = p0;
                    cntl_pnt1[name] = p1;
                    cntl_pnt2[name] = p2;
                    next_pose[name] = p3;
                }
                change = 0;
                break;
            }
            default: break;
        }
        if (change != 0)
            next_pose[name] = change;
    }
}

void AnimatedModel::adjustPose(position* pose, interpolation_type interpol) {
    if (!pose || ticks_total <= 0 || ticks_left < 0 || ticks_left >= ticks_total)
        return;
    double uniform = static_cast<double>(ticks_total - ticks_left) / ticks_total;
    double t = uniform;
    // Speed-control parameters apply only while they match this transition's ticks.
    if (current_script) {
        const script_step& st = *current_step;
        if (st.tValues && st.timing == ticks_total)
            t = st.tValues[(ticks_total - 1) - ticks_left];
    }
    // A missing entry in the engine's maps reads as 0, without being added.
    OrderedCursor attr(attributes), prev(prev_pose), cntl1(cntl_pnt1), cntl2(cntl_pnt2);
    for (const auto& entry : *pose) {
        double* value = attr.find(entry.first);
        if (!value)
            continue;
        double v = entry.second;
        switch (interpol) {
            case INT_LINEAR: *value = interpolateLinear(*value, v); break;
            case INT_SIN: *value = interpolateSine(valueOrZero(prev.find(entry.first)), v, t); break;
            case INT_HARMONIC: *value = interpolateHarmonic(valueOrZero(prev.find(entry.first)), v, t); break;
            case INT_CUBIC_BEZIER:
                *value = cubicBezier(valueOrZero(prev.find(entry.first)), valueOrZero(cntl1.find(entry.first)),
                                     valueOrZero(cntl2.find(entry.first)), v, t);
                break;
            case INT_CATMULL_ROM:
                *value = catmullRom(valueOrZero(cntl1.find(entry.first)), valueOrZero(prev.find(entry.first)), v,
                                    valueOrZero(cntl2.find(entry.first)), uniform);
                break;
            default: break;
        }
    }
}

void AnimatedModel::step() {
    if (!animate || ticks_left <= 0)
        return;
    --ticks_left;
    adjustPose(&next_pose, current_interpolation);
    if (ticks_left == 0 && current_script)
        advanceScript();
}

void AnimatedModel::advanceScript() {
    script_steps* steps = current_script->steps;
    script_steps::iterator end = steps->end();
    ++current_step;
    if (current_step != end) {
        interpolation_type type = current_step->interpol;
        bool ok = true;
        if (isSpline(type) && spline_script != current_script) {
            // Control positions were never set for this script.
            ok = false;
        } else if (type == INT_CUBIC_BEZIER) {
            ok = advanceWithin(current_step, 2, end) && advanceWithin(xtra_step1, 3, end) &&
                 advanceWithin(xtra_step2, 3, end) && advanceWithin(last_step, 3, end);
        } else if (type == INT_CATMULL_ROM) {
            if (xtra_step1 != last_step)
                ok = advanceWithin(xtra_step1, 1, end);
            ok = ok && advanceWithin(last_step, 1, end) && xtra_step2 != end;
            if (ok && ++xtra_step2 == end)
                --xtra_step2;
        }
        if (!ok) {
            current_script = nullptr;
            return;
        }
    } else if (current_script->behavior == SCR_REPEAT) {
        current_step = steps->begin();
    } else {
        // Reversing behaviours have no meaning yet; they end the script too.
        current_script = nullptr;
        return;
    }
    ticks_left = ticks_total = current_step->timing;
    prepareNextPose(current_step->pose, ticks_left, current_step->interpol);
}

// [SECTION] speed control

int AnimatedModel::doSpeedControl(const char* script_name, const char* param1, const char* param2, const char* param3,
                                  double accel, double decel) {
    script* found = findScript(script_name);
    if (!found)
        return -1;
    script_steps* steps = found->steps;
    if (!steps || steps->size() < 3)
        return -1;
    if (!(accel >= 0.0 && decel >= 0.0 && accel + decel <= 1.0)) {
        std::puts("speed control ratios must be at least 0 and sum to at most 1");
        return -1;
    }

    std::vector<path_point> points;
    points.reserve(steps->size());
    for (const script_step& st : *steps)
        points.push_back({poseValue(st.pose, param1), poseValue(st.pose, param2), poseValue(st.pose, param3)});
    d_table table = samplePath(points);
    for (const d_table_entry& e : table)
        std::printf("%.2f %f %f %f %f\n", e.t, e.value1, e.value2, e.value3, e.distance);
    double length = table.empty() ? 0.0 : table.back().distance;

    int frame_count = 0;
    for (const script_step& st : *steps)
        frame_count += st.timing;
    std::printf("frame count: %i\n", frame_count);
    double speed = topSpeed(accel, decel);
    std::printf("top speed: %f\n", speed);

    std::vector<double> t_vector;
    t_vector.reserve(static_cast<size_t>(frame_count > 0 ? frame_count : 0));
    size_t search = 0;
    for (int i = 0; i < frame_count; ++i) {
        double r = frame_count > 1 ? static_cast<double>(i) / (frame_count - 1) : 0.0;
        double target = travelledFraction(r, accel, decel, speed) * length;
        double param = frameParameter(table, search, target);
        t_vector.push_back(param);
        std::printf("  % 4i   %f   %f\n", i, param, target);
    }

    std::vector<int> frame_vector = countFrames(t_vector);
    for (int count : frame_vector)
        std::printf("%i\n", count);

    // Steps after the first take their frames in order; steps without a count
    // keep their timing and play uniformly.
    size_t read = 0;
    double base = 0.0;
    size_t j = 1;
    for (auto it = std::next(steps->begin()); it != steps->end(); ++it, ++j) {
        std::free(it->tValues);
        it->tValues = nullptr;
        if (j >= frame_vector.size())
            continue;
        int count = frame_vector[j];
        std::printf("frames: %i\n", count);
        double* values = static_cast<double*>(std::malloc(static_cast<size_t>(count) * sizeof(double)));
        if (!values) {
            std::printf("malloc failed, aborting\nframes: %i\n", count);
            return -1;
        }
        for (int k = 0; k < count; ++k) {
            double param = read < t_vector.size() ? t_vector[read++] : t_vector.back();
            double value = param - base;
            if (value > 1)
                std::printf("erroroneous tValue of %f being assigned!!!\n", value);
            values[k] = value;
        }
        it->timing = count;
        it->tValues = values;
        base += 1.0;
    }
    return 0;
}
