// A model that moves: poses, named scripts of steps, the per-tick animation
// engine and the speed-control re-timing of a script.
#pragma once

#include <map>
#include <string>
#include <vector>

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
    // What the named script does after its last step; -1 if there is no such
    // script. Any number is kept (those outside the behaviours end the script).
    int setScriptBehavior(const char* name, int behavior);
    int stopScript();
    void animateTo(position target, int duration, int interpol);
    int doSpeedControl(const char* script_name, const char* param1, const char* param2, const char* param3,
                       double accel, double decel);
    // doSpeedControl in parts, so that planning and printing (planSpeedControl,
    // printSpeedPlan) can run without the model-list mutex: the script's
    // points and timings are taken first, the plan applied afterwards. Both
    // return 0 or -1; applying refuses a script whose steps changed since.
    // A refusal not printed already (the ratios and the limits are) is said
    // in why, when given: the script missing, too short or changed.
    int speedControlSnapshot(const char* script_name, const char* param1, const char* param2, const char* param3,
                             double accel, double decel, SpeedControlSnapshot& out, std::string* why = nullptr);
    int applySpeedControl(const char* script_name, const SpeedControlSnapshot& snapshot, const SpeedPlan& plan,
                          std::string* why = nullptr);

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
    // One forward transition of the playing script as it was prepared, so that
    // a backward pass can replay the same motion with time reversed.
    struct PlayedTransition {
        const script_step* step;  // the step it led to, for its tValues
        interpolation_type interpol;
        int ticks;
        position change;  // next_pose
        position from;    // prev_pose; for a linear one the values it started from
        position control1;
        position control2;
    };

    // The script of that name, or null (also for a null name).
    script* findScript(const char* name);
    void endTransition();
    void endScript();
    void advanceScript();
    // Starts the transition into the window's current step and keeps it for the backward pass.
    void playForward();
    void keepTransition();
    // The backward pass: its transitions, the tick that applies one, and the start of the next pass.
    void playBackward();
    void adjustBackward();
    void advanceBackward();
    void restartForward();
    // Reading one "script" element of the model's XML; the number of failures.
    int scriptFromXML(TiXmlElement* se);

    // The steps of the playing script: the current step and a spline's control steps.
    StepWindow window_;
    // The forward transitions of the current pass, in the order they were played.
    std::vector<PlayedTransition> played_;
    // The playing script is on its way back, through played_ from its end.
    bool backward_ = false;
};
