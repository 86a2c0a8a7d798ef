// Files from before models stood upright by a turn of their own give the placement they gave then.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include "paint/PaintableModel.h"
#include "paint/mesh/ModelTransform.h"

namespace {

struct Turned : PaintableModel {
    explicit Turned(const double upright[3]) : PaintableModel("m") {
        setUprightTurn(upright[0], upright[1], upright[2]);
    }
};

std::string rotations(double x, double y, double z) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "<attribute name=\"rotation_x\" value=\"%f\" /><attribute name=\"rotation_y\" value=\"%f\" />"
                  "<attribute name=\"rotation_z\" value=\"%f\" />",
                  x, y, z);
    return text;
}

TEST(UprightFile, an_older_file_gives_the_placement_it_gave_before) {
    const double keyform[3] = {-90, 0, -90}, zUp[3] = {-90, 0, 0}, xUp[3] = {0, 0, 90}, none[3] = {0, 0, 0};
    const struct {
        const char* what;
        const double* upright;
        std::string file;
        double meant[3];       // the rotations the placement is to have, applied ...
        const double* before;  // ... before this upright turn (null: none)
    } cases[] = {
        {"first sight", keyform, "<m>" + rotations(-90, 0, -90) + "</m>", {-90, 0, -90}, nullptr},
        {"turned", keyform, "<m>" + rotations(30, -20, 45) + "</m>", {30, -20, 45}, nullptr},
        {"z up", zUp, "<m>" + rotations(10, 100, -170) + "</m>", {10, 100, -170}, nullptr},
        {"locked at +90", xUp, "<m>" + rotations(20, 90, 90) + "</m>", {20, 90, 90}, nullptr},
        {"locked at -90", xUp, "<m>" + rotations(20, -90, 135) + "</m>", {20, -90, 135}, nullptr},
        {"y alone", keyform, "<m><attribute name=\"rotation_y\" value=\"30\" /></m>", {-90, 30, -90}, nullptr},
        {"under a common root", keyform, "<all><m>" + rotations(0, 0, 0) + "</m></all>", {0, 0, 0}, nullptr},
        {"a pose's z",
         keyform,
         "<m><attribute name=\"rotation_x\" value=\"-60\" /><script name=\"s\" behavior=\"0\"><pose timing=\"1\" "
         "interpolation_type=\"0\"><attribute name=\"rotation_z\" value=\"45\" /></pose></script></m>",
         {-60, 0, 45},
         nullptr},
        {"marked", keyform, "<m rotations=\"upright\">" + rotations(0, 90, 0) + "</m>", {0, 90, 0}, keyform},
        {"no turn of its own", none, "<m>" + rotations(10, 20, 30) + "</m>", {10, 20, 30}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TiXmlDocument doc;
        doc.Parse(c.file.c_str());
        Turned model(c.upright);
        ASSERT_EQ(0, model.fromXML(doc.RootElement()));
        if (model.runScript("s") == 0)
            for (int tick = 0; tick < 5; ++tick)
                model.step();
        const double origin[3] = {0, 0, 0};
        double expected[16], got[16];
        ModelTransform(origin, c.meant, 1, c.before).matrix(expected);
        ModelTransform::of(model, model.uprightTurn()).matrix(got);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(expected[i], got[i], 1e-7) << "element " << i;
    }
    // What a model showed at first sight reads back as no turn at all, exactly.
    TiXmlDocument doc;
    doc.Parse(cases[0].file.c_str());
    Turned model(keyform);
    ASSERT_EQ(0, model.fromXML(doc.RootElement()));
    for (const char* name : {"rotation_x", "rotation_y", "rotation_z"})
        EXPECT_EQ("0.000000", std::to_string(model.getAttribute(name))) << name;
}

}  // namespace
