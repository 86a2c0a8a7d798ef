// A model that moves: poses, named scripts of steps, the per-tick animation
// engine and the speed-control re-timing of a script.
#pragma once

#include <map>

#include "model/AttributedModel.h"
#include "model/ModelTypes.h"
#include "model/Script.h"
#include "model/SpeedPlanner.h"
#include "model/StepWindow.h"

class AnimatedModel : public AttributedModel {
public:
    AnimatedModel();
    ~AnimatedModel() override;

    TiXmlElement* toXML() override;
    int fromXML(TiXmlElement* xml) override;
    virtual void step();
    // Whether the next step changes the pose: a transition or script is playing.
    virtual bool isMoving() const { return animate && ticks_left > 0; }

    position* getPose() const;
    int newScript(const char* name);
    int selectScript(const char* name);
    int getScriptCount() const;
    const char** getScriptNames() const;
    int appendPose(position* pose, int timing, int interpolation);
    int runScript(const char* name);
    int stopScript();
    void animateTo(position target, int duration, int interpol);
    int doSpeedControl(const char* script_name, const char* param1, const char* param2, const char* param3,
                       double accel, double decel);
    // doSpeedControl in parts, so that planning and printing (planSpeedControl,
    // printSpeedPlan) can run without the model-list mutex: the script's
    // points and timings are taken first, the plan applied afterwards. Both
    // return 0 or -1; applying refuses a script whose steps changed since.
    int speedControlSnapshot(const char* script_name, const char* param1, const char* param2, const char* param3,
                             double accel, double decel, SpeedControlSnapshot& out);
    int applySpeedControl(const char* script_name, const SpeedControlSnapshot& snapshot, const SpeedPlan& plan);

protected:
    void prepareNextPose(position* target, int duration, interpolation_type interpol);
    void adjustPose(position* pose, interpolation_type interpol);

    position next_pose;
    position prev_pose;
    position cntl_pnt1;
    position cntl_pnt2;
    int ticks_left;
    int ticks_total;
    bool animate;
    std::map<const char*, script, cmp_str> scripts;
    script* current_script;
    interpolation_type current_interpolation;

private:
    // The script of that name, or null (also for a null name).
    script* findScript(const char* name);
    void endTransition();
    void advanceScript();
    // Reading one "script" element of the model's XML; the number of failures.
    int scriptFromXML(TiXmlElement* se);

    // The steps of the playing script: the current step and a spline's control steps.
    StepWindow window_;
};
