// Root of the model hierarchy: named numeric attributes with inclusive limits,
// draggable handles, and the attributes' XML form.
#pragma once

#include <GL/gl.h>
#include <tinyxml.h>

#include <map>
#include <vector>

#include "model/ModelTypes.h"
#include "model/io/FileContents.h"

class AttributedModel {
public:
    AttributedModel();
    AttributedModel(const AttributedModel&) = delete;
    AttributedModel& operator=(const AttributedModel&) = delete;

    // Virtual slots, in this order: plug-ins built against this header rely on it.
    virtual ~AttributedModel();
    virtual int setAttribute(const char* attr, double val);
    virtual void adjustHandle(unsigned int handle, double dx, double dy, double dz);
    virtual void draw() = 0;
    virtual void drawHandles(GLenum mode);
    virtual TiXmlElement* toXML();
    virtual int fromXML(TiXmlElement* xml);

    bool hasAttribute(const char* attr) const;
    // The inclusive limits setAttribute holds attr to; null where it has none.
    const double* lowerLimit(const char* attr) const;
    const double* upperLimit(const char* attr) const;
    double getAttribute(const char* attr) const;
    int adjustAttribute(const char* attr, double adj);
    int getAttributeCount() const;
    const char** getAttributeNames() const;

    void enableHandles();
    void disableHandles();
    bool toggleHandles();
    bool hasHandles() const;

    void mapToXML(position map, const char* elementName, const char* mapName1, const char* mapName2,
                  TiXmlElement* parent);
    bool loadAttributes(const char* file);
    // Applies a file already read (contents) as loadAttributes(file) would.
    bool loadAttributes(const char* file, const FileContents& contents);
    bool saveAttributes(const char* file);
    // A model made from a file is made under the file's path; the console may
    // list it under a shorter name, which it then keeps (name must outlive it).
    void rename(const char* name) { model_name = name; }

protected:
    // The model's own element under (or as) the given one, or null.
    TiXmlElement* findModelElement(TiXmlElement* xml) const;
    // GL thread only: each handle as a sphere at its offset from the current
    // matrix, named for picking in GL_SELECT mode; sphereScale undoes a scale
    // already on the matrix so the spheres keep their size.
    void drawHandleSpheres(GLenum mode, double sphereScale);

    const char* model_name;
    const char* class_name;
    std::map<const char*, double, cmp_str> attributes;
    std::map<const char*, double, cmp_str> upper_limits;
    std::map<const char*, double, cmp_str> lower_limits;
    // An attribute kept at or below another's value (name to name): setting it
    // higher is refused, adjusting stops there, and lowering the other one
    // brings it down along.
    std::map<const char*, const char*, cmp_str> upper_bound_by;
    bool showHandles;
    std::vector<handle_t> handles;

private:
    // The inclusive maximum of attr (its own limit or the attribute bounding
    // it, whichever is lower); false when it has none.
    bool upperLimit(const char* attr, double& limit) const;
    // Brings the attributes attr bounds down to its value.
    void keepBelow(const char* attr);
};
