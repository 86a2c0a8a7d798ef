// Attributes with inclusive limits, handle bookkeeping and the XML form of a
// model's attributes. Relies on TinyXML for parsing and printing; the file
// layout (declaration, four-blank indentation, self-closing leaves) is TinyXML's.
// A file is written only when it will read back: the model's element is named
// after its class when the model's own name is no XML name.
// Drawing the handles lives in AttributedModelGL.cpp, the only OpenGL here.
#include "model/AttributedModel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/io/AtomicFile.h"
#include "model/io/WriteFailure.h"
#include "model/xml/XmlNesting.h"
#include "model/xml/XmlText.h"

namespace {

const char* printable(const char* s) {
    return s ? s : "(null)";
}

std::string formatValue(double v) {
    int n = std::snprintf(nullptr, 0, "%f", v);
    if (n < 0)
        return std::string();
    std::string out(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(&out[0], out.size(), "%f", v);
    out.resize(static_cast<size_t>(n));
    return out;
}

// Why an element could not be read back as written, or null when it can: every
// tag must be an XML name and every attribute text plain UTF-8.
const char* unreadable(const TiXmlElement* element) {
    if (!isXmlName(element->Value()))
        return "neither the model's name nor its class's is an XML name";
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        if (!isPlainText(a->Value()))
            return "a name is not UTF-8 text without control characters";
    }
    for (const TiXmlElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (const char* why = unreadable(child))
            return why;
    }
    return nullptr;
}

// Writes the document whole (AtomicFile), so a failed write never leaves a
// truncated attribute file behind. The system's reason for a failure, if any,
// goes to *err.
bool writeDocumentAtomically(const TiXmlDocument& doc, const char* file, int* err) {
    AtomicFile out(file);
    FILE* fp = out.open();
    bool ok = fp != nullptr;
    if (ok) {
        doc.SaveFile(fp);
        ok = out.commit();  // refuses a stream that saw a write error
    }
    *err = out.error();
    return ok;
}

}  // namespace

AttributedModel::AttributedModel() : model_name(nullptr), class_name(nullptr), showHandles(false) {}

AttributedModel::~AttributedModel() = default;

// [SECTION] attributes

bool AttributedModel::hasAttribute(const char* attr) const {
    return attr && attributes.find(attr) != attributes.end();
}

const double* AttributedModel::lowerLimit(const char* attr) const {
    auto it = attr ? lower_limits.find(attr) : lower_limits.end();
    return it == lower_limits.end() ? nullptr : &it->second;
}

const double* AttributedModel::upperLimit(const char* attr) const {
    auto it = attr ? upper_limits.find(attr) : upper_limits.end();
    return it == upper_limits.end() ? nullptr : &it->second;
}

double AttributedModel::getAttribute(const char* attr) const {
    if (!attr)
        return 0.0;
    auto it = attributes.find(attr);
    return it == attributes.end() ? 0.0 : it->second;
}

int AttributedModel::setAttribute(const char* attr, double val) {
    if (!attr)
        return -1;
    auto it = attributes.find(attr);
    if (it == attributes.end())
        return -1;
    // Written as "limit beyond value" so that NaN passes both tests.
    auto lo = lower_limits.find(attr);
    if (lo != lower_limits.end() && lo->second > val)
        return 1;
    double hi = 0.0;
    if (upperLimit(attr, hi) && val > hi)
        return 1;
    it->second = val;
    keepBelow(attr);
    return 0;
}

int AttributedModel::adjustAttribute(const char* attr, double adj) {
    if (!attr)
        return -1;
    auto it = attributes.find(attr);
    if (it == attributes.end())
        return -1;
    it->second += adj;
    auto lo = lower_limits.find(attr);
    double hi = 0.0;
    if (lo != lower_limits.end() && lo->second > it->second)
        it->second = lo->second;
    else if (upperLimit(attr, hi) && it->second > hi)
        it->second = hi;
    keepBelow(attr);
    return 0;
}

bool AttributedModel::upperLimit(const char* attr, double& limit) const {
    bool found = false;
    auto own = upper_limits.find(attr);
    if (own != upper_limits.end()) {
        limit = own->second;
        found = true;
    }
    auto by = upper_bound_by.find(attr);
    if (by != upper_bound_by.end()) {
        const double cap = getAttribute(by->second);
        if (!found || cap < limit)
            limit = cap;
        found = true;
    }
    return found;
}

void AttributedModel::keepBelow(const char* attr) {
    const double cap = getAttribute(attr);
    for (const auto& bound : upper_bound_by) {
        if (std::strcmp(bound.second, attr) != 0)
            continue;
        auto follower = attributes.find(bound.first);
        if (follower != attributes.end() && follower->second > cap)
            follower->second = cap;
    }
}

int AttributedModel::getAttributeCount() const {
    return static_cast<int>(attributes.size());
}

const char** AttributedModel::getAttributeNames() const {
    const char** names =
        static_cast<const char**>(std::malloc((attributes.empty() ? 1 : attributes.size()) * sizeof(const char*)));
    if (!names)
        return nullptr;
    size_t i = 0;
    for (const auto& entry : attributes)
        names[i++] = entry.first;
    return names;
}

// [SECTION] handles

void AttributedModel::enableHandles() {
    showHandles = true;
}

void AttributedModel::disableHandles() {
    showHandles = false;
}

bool AttributedModel::hasHandles() const {
    return !handles.empty();
}

bool AttributedModel::toggleHandles() {
    showHandles = !showHandles;
    return showHandles;
}

void AttributedModel::adjustHandle(unsigned int handle, double dx, double dy, double dz) {
    // Handles are numbered from 1 so that 0 can mean "none".
    if (handle < 1 || handle > handles.size())
        return;
    handle_t& h = handles[handle - 1];
    h.x += dx;
    h.y += dy;
    h.z += dz;
}

// [SECTION] XML

void AttributedModel::mapToXML(position map, const char* elementName, const char* mapName1, const char* mapName2,
                               TiXmlElement* parent) {
    if (!parent)
        return;
    for (const auto& entry : map) {
        TiXmlElement* child = new TiXmlElement(elementName);
        child->SetAttribute(mapName1, entry.first);
        child->SetAttribute(mapName2, formatValue(entry.second).c_str());
        parent->LinkEndChild(child);
    }
}

TiXmlElement* AttributedModel::toXML() {
    // Loading accepts an element named after the class, so it stands in for a
    // model name no XML reader would take.
    const char* tag = isXmlName(model_name) ? model_name : class_name;
    TiXmlElement* element = new TiXmlElement(tag ? tag : "");
    mapToXML(attributes, "attribute", "name", "value", element);
    return element;
}

TiXmlElement* AttributedModel::findModelElement(TiXmlElement* xml) const {
    if (!xml)
        return nullptr;
    const char* names[2] = {model_name, class_name};
    for (const char* name : names) {
        if (!name)
            continue;
        if (std::strcmp(xml->Value(), name) == 0)
            return xml;
        if (TiXmlElement* child = xml->FirstChildElement(name))
            return child;
    }
    return nullptr;
}

int AttributedModel::fromXML(TiXmlElement* xml) {
    TiXmlElement* element = findModelElement(xml);
    if (!element)
        return 1;
    int failures = 0;
    for (TiXmlElement* a = element->FirstChildElement("attribute"); a; a = a->NextSiblingElement("attribute")) {
        const char* name = a->Attribute("name");
        if (!name) {
            std::fprintf(stderr, "attribute without a name in model %s\n", printable(model_name));
            ++failures;
            continue;
        }
        const char* text = a->Attribute("value");
        double value = 0.0;
        bool ok = text && std::sscanf(text, "%lf", &value) == 1;
        if (!ok)
            value = 0.0;
        if (!ok || setAttribute(name, value) != 0) {
            std::fprintf(stderr, "error setting attribute %s to %f for model %s\n", name, value, printable(model_name));
            ++failures;
        }
    }
    return failures;
}

namespace {

// Deeper element nesting than this is refused before the file is parsed.
const size_t kMaxXmlNesting = 256;

// Parses bytes read from a file exactly as the document would read the file
// itself (line ends, encoding detection and errors alike).
// The reader stops at the first NUL byte but, after a UTF-8 lead byte, may
// step up to three bytes past it: the text is handed over with NUL bytes
// behind it, so those steps stay inside the reader's own copy.
bool parseDocument(TiXmlDocument& doc, const std::string& bytes) {
    std::string padded = bytes;
    padded.append(4, '\0');
    FILE* stream = fmemopen(&padded[0], padded.size(), "rb");
    if (!stream)
        return false;
    bool ok = doc.LoadFile(stream);
    std::fclose(stream);
    return ok;
}

}  // namespace

bool AttributedModel::loadAttributes(const char* file) {
    return loadAttributes(file, FileContents::read(file, FileContents::kXmlLimit));
}

bool AttributedModel::loadAttributes(const char* file, const FileContents& contents) {
    if (!file) {
        std::fprintf(stderr, "Error loading file: %s\n", printable(file));
        return false;
    }
    if (contents.status == FileContents::kNotRegular) {
        std::printf("not a regular file: '%s'\n", file);
        return false;
    }
    if (contents.status == FileContents::kTooLarge) {
        std::fprintf(stderr, "Error loading file: %s: %s\n", file, contents.reason().c_str());
        return false;
    }
    // The reader descends once per element level: a deep file is refused unread.
    if (contents.status == FileContents::kRead && xmlNestingDepth(contents.bytes) > kMaxXmlNesting) {
        std::fprintf(stderr, "Error loading file: %s: elements nested deeper than %zu\n", file, kMaxXmlNesting);
        return false;
    }
    TiXmlDocument doc(file);
    if (contents.status != FileContents::kRead || !parseDocument(doc, contents.bytes)) {
        std::fprintf(stderr, "Error loading file: %s\n", printable(file));
        return false;
    }
    TiXmlElement* root = doc.RootElement();
    if (!root) {
        std::fprintf(stderr, "no root element found");
        return false;
    }
    return fromXML(root) == 0;
}

bool AttributedModel::saveAttributes(const char* file) {
    if (!file) {
        std::fprintf(stderr, "error saving xml file: %s\n", printable(file));
        return false;
    }
    TiXmlDocument doc(file);
    TiXmlElement* element = toXML();
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    doc.LinkEndChild(element);
    if (const char* why = unreadable(element)) {
        std::fprintf(stderr, "error saving xml file: %s: %s\n", file, why);
        return false;
    }
    int err = 0;
    if (!writeDocumentAtomically(doc, file, &err)) {
        if (err == 0)
            std::fprintf(stderr, "error saving xml file: %s\n", file);
        else
            std::fprintf(stderr, "error saving xml file: %s: %s\n", file, WriteFailure::reason(file, err).c_str());
        return false;
    }
    return true;
}
