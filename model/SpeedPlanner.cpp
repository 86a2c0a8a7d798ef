// Plans speed control from numbers alone: samples the path, spreads the frames
// over it by the speed profile, counts them into segments and hands each step
// after the first its parameters, writing the report as it goes. Built from
// the helpers of SpeedControl.h; the report's formats are the printed ones.
// Nothing here touches a model, so planning needs no lock.
#include "model/SpeedPlanner.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <utility>

namespace {

__attribute__((format(printf, 1, 2))) std::string formatLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string line(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
    if (n > 0)
        std::vsnprintf(&line[0], line.size(), format, again);
    va_end(again);
    line.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return line;
}

// One curve parameter per frame, the frames spread along the path by the
// speed profile; the search through the samples only moves forward.
std::vector<double> frameParameters(const d_table& table, int frame_count, double accel, double decel,
                                    std::vector<std::string>& report) {
    double length = table.empty() ? 0.0 : table.back().distance;
    double speed = topSpeed(accel, decel);
    report.push_back(formatLine("top speed: %f", speed));
    std::vector<double> t_vector;
    t_vector.reserve(static_cast<size_t>(frame_count > 0 ? frame_count : 0));
    size_t search = 0;
    for (int i = 0; i < frame_count; ++i) {
        double r = frame_count > 1 ? static_cast<double>(i) / (frame_count - 1) : 0.0;
        double target = travelledFraction(r, accel, decel, speed) * length;
        double param = frameParameter(table, search, target);
        t_vector.push_back(param);
        report.push_back(formatLine("  % 4i   %f   %f", i, param, target));
    }
    return t_vector;
}

// Steps after the first take their counts' worth of frames in order, each
// parameter made relative to the step's own segment. Only steps with a count
// get an entry.
std::vector<StepRetiming> assignFrames(const std::vector<double>& t_vector, const std::vector<int>& frame_vector,
                                       size_t step_count, std::vector<std::string>& report) {
    std::vector<StepRetiming> steps;
    size_t read = 0;
    double base = 0.0;
    for (size_t j = 1; j < step_count && j < frame_vector.size(); ++j) {
        int count = frame_vector[j];
        StepRetiming retiming;
        retiming.reportLine = report.size();
        report.push_back(formatLine("frames: %i", count));
        retiming.tValues.reserve(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k) {
            double param = read < t_vector.size() ? t_vector[read++] : t_vector.back();
            double value = param - base;
            if (value > 1)
                report.push_back(formatLine("erroroneous tValue of %f being assigned!!!", value));
            retiming.tValues.push_back(value);
        }
        steps.push_back(std::move(retiming));
        base += 1.0;
    }
    return steps;
}

}  // namespace

std::string speedControlStepRefusal(size_t step_count) {
    if (step_count <= kMaxSpeedControlSteps)
        return std::string();
    return formatLine("speed control: too many steps (%zu, at most %zu)", step_count, kMaxSpeedControlSteps);
}

std::string speedControlRatioRefusal(double accel, double decel) {
    const char* kRule = "speed control ratios must be at least 0 and sum to at most 1";
    if (!(accel >= 0.0))
        return formatLine("%s: accel_ratio is %g", kRule, accel);
    if (!(decel >= 0.0))
        return formatLine("%s: deccel_ratio is %g", kRule, decel);
    if (!(accel + decel <= 1.0))
        return formatLine("%s: accel_ratio %g + deccel_ratio %g is %g", kRule, accel, decel, accel + decel);
    return std::string();
}

SpeedPlan planSpeedControl(const std::vector<path_point>& points, const std::vector<int>& timings, double accel,
                           double decel) {
    SpeedPlan plan;
    if (points.size() < 3)
        return plan;
    long long frames = 0;
    for (int timing : timings)
        frames += timing;
    std::string refusal = speedControlStepRefusal(std::max(points.size(), timings.size()));
    if (refusal.empty() && frames > kMaxSpeedControlFrames)
        refusal = formatLine("speed control: too many frames (%lld, at most %lld)", frames, kMaxSpeedControlFrames);
    if (!refusal.empty()) {
        plan.refused = true;
        plan.report.push_back(refusal);
        return plan;
    }
    // Within the limits the count fits an int, as it is printed.
    const int frame_count = static_cast<int>(frames);
    d_table table = samplePath(points);
    plan.report.reserve(table.size() + static_cast<size_t>(frame_count > 0 ? frame_count : 0) + 2 * timings.size() + 2);
    for (const d_table_entry& e : table)
        plan.report.push_back(formatLine("%.2f %f %f %f %f", e.t, e.value1, e.value2, e.value3, e.distance));
    plan.report.push_back(formatLine("frame count: %i", frame_count));
    std::vector<double> t_vector = frameParameters(table, frame_count, accel, decel, plan.report);
    std::vector<int> frame_vector = countFrames(t_vector);
    for (int count : frame_vector)
        plan.report.push_back(formatLine("%i", count));
    plan.steps = assignFrames(t_vector, frame_vector, timings.size(), plan.report);
    return plan;
}

void printSpeedPlan(const SpeedPlan& plan) {
    for (const std::string& line : plan.report)
        std::puts(line.c_str());
}
