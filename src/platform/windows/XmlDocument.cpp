// The configuration's XML through XmlLite, the parser Windows carries.
#include <windows.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <stdexcept>

#include "platform/XmlDocument.h"

namespace oprinter {
namespace {

// Releases a COM interface when it goes.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T** Out() { return &pointer_; }
    T* operator->() const { return pointer_; }
    T* Get() const { return pointer_; }

private:
    T* pointer_ = nullptr;
};

std::string Utf8(const wchar_t* text, UINT length) {
    if (length == 0) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), result.data(), size, nullptr, nullptr);
    return result;
}

[[noreturn]] void Fail(const std::string& what, HRESULT result, IXmlReader* reader) {
    std::string message = what + " (error 0x";
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(result));
    message += code;
    message += ")";
    UINT line = 0;
    UINT column = 0;
    if (reader != nullptr && SUCCEEDED(reader->GetLineNumber(&line)) && SUCCEEDED(reader->GetLinePosition(&column)) &&
        line > 0) {
        message += " at line " + std::to_string(line) + ", column " + std::to_string(column);
    }
    throw std::runtime_error(message);
}

std::string LocalName(IXmlReader* reader) {
    const wchar_t* name = nullptr;
    UINT length = 0;
    if (FAILED(reader->GetLocalName(&name, &length))) return {};
    return Utf8(name, length);
}

void ReadAttributes(IXmlReader* reader, XmlElement& element) {
    for (HRESULT moved = reader->MoveToFirstAttribute(); moved == S_OK; moved = reader->MoveToNextAttribute()) {
        const wchar_t* value = nullptr;
        UINT length = 0;
        if (FAILED(reader->GetValue(&value, &length))) continue;
        element.attributes.emplace_back(LocalName(reader), Utf8(value, length));
    }
    reader->MoveToElement();
}

}  // namespace

XmlElement ReadXmlFile(const std::string& path) {
    ComPtr<IStream> stream;
    HRESULT result = ::SHCreateStreamOnFileA(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, stream.Out());
    if (FAILED(result)) Fail("Cannot open the file", result, nullptr);
    ComPtr<IXmlReader> reader;
    result = ::CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.Out()), nullptr);
    if (FAILED(result)) Fail("No XML parser", result, nullptr);
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    result = reader->SetInput(stream.Get());
    if (FAILED(result)) Fail("Cannot read the file", result, nullptr);

    XmlElement root;
    std::vector<XmlElement*> open;  // the elements whose end has not come yet
    bool rootSeen = false;
    XmlNodeType type = XmlNodeType_None;
    while ((result = reader->Read(&type)) == S_OK) {
        if (type == XmlNodeType_Element) {
            XmlElement* element = &root;
            if (!open.empty()) {
                open.back()->children.push_back({});
                element = &open.back()->children.back();
            } else if (rootSeen) {
                Fail("More than one root element", E_FAIL, reader.Get());
            }
            rootSeen = true;
            element->name = LocalName(reader.Get());
            const bool empty = reader->IsEmptyElement() != FALSE;
            ReadAttributes(reader.Get(), *element);
            if (!empty) open.push_back(element);
        } else if (type == XmlNodeType_EndElement && !open.empty()) {
            open.pop_back();
        }
    }
    if (FAILED(result)) Fail("Malformed XML", result, reader.Get());
    if (!rootSeen) Fail("No document element found", E_FAIL, nullptr);
    return root;
}

}  // namespace oprinter
