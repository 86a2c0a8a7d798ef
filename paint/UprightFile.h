#pragma once

#include <tinyxml.h>

// Attribute files and the upright turn. Files written before models had a
// turn of their own held rotations that included it (an MD2 figure lay on
// its side at 0, 0, 0); files written since carry a mark on the model's
// element and hold rotations of the upright model. Reading an unmarked file
// turns its rotations into what they meant.
class UprightFile {
public:
    static void mark(TiXmlElement* element);
    // Whether the model's element, or the element holding it, has the mark.
    static bool marked(const TiXmlElement* given, const TiXmlElement* element);

    // Rotation angles that included the upright turn as angles of the upright
    // model giving the same turn (R_new = R_old * U^-1), and back.
    static void fromOld(const double old[3], const double upright[3], double out[3]);
    static void toOld(const double now[3], const double upright[3], double out[3]);

    // Rewrites an unmarked model element's rotations, its attributes' and its
    // scripts' poses', as rotations of the upright model. current holds the
    // model's rotations now; a set the element gives only in part is filled
    // from them (the attributes) or from what the attributes and the steps
    // before leave (a pose), as the old reading combined them. A set with a
    // value that does not read as a finite number is left for the reader to refuse.
    static void convert(TiXmlElement* element, const double upright[3], const double current[3]);
};
