#include <pugixml.hpp>
#include <stdexcept>

#include "platform/XmlDocument.h"

namespace oprinter {
namespace {

XmlElement Convert(const pugi::xml_node& node) {
    XmlElement element{node.name(), {}, {}};
    for (const pugi::xml_attribute& attribute : node.attributes()) {
        element.attributes.emplace_back(attribute.name(), attribute.value());
    }
    for (const pugi::xml_node& child : node.children()) {
        if (child.type() == pugi::node_element) element.children.push_back(Convert(child));
    }
    return element;
}

}  // namespace

XmlElement ReadXmlFile(const std::string& path) {
    // pugixml follows a declared ISO-8859-1 and the UTF-16 and UTF-32 forms;
    // anything else reaches it as UTF-8, and its 8-bit bytes come through as they are.
    pugi::xml_document document;
    const pugi::xml_parse_result result = document.load_file(path.c_str());
    if (!result) {
        std::string message = result.description();
        if (result.offset > 0) message += " at offset " + std::to_string(result.offset);
        throw std::runtime_error(message);
    }
    return Convert(document.document_element());
}

}  // namespace oprinter
