#pragma once
// The XML parser of the platform, read into a small document object model.
// Names and values are UTF-8; a document in another encoding that it declares
// is converted, and undeclared 8-bit bytes reach the values unchanged.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oprinter {

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<XmlElement> children;  // elements only, in document order

    const std::string* Attribute(std::string_view attributeName) const {
        for (const auto& [key, value] : attributes) {
            if (key == attributeName) return &value;
        }
        return nullptr;
    }
};

// The root element of the file. Throws std::runtime_error with the parser's
// description of what is wrong, and the offset where it is known.
XmlElement ReadXmlFile(const std::string& path);

}  // namespace oprinter
