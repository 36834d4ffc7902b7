// The configuration's XML through XmlLite, the parser Windows carries.
#include <windows.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <cctype>
#include <fstream>
#include <iterator>
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

// A byte of the file that begins no UTF-8 sequence reaches XmlLite as a
// private-use character and comes back out as the byte itself, as it does
// from the other platform's parser.
constexpr wchar_t kStrayByteBase = 0xF700;

bool IsStrayByte(wchar_t c) { return c >= kStrayByteBase + 0x80 && c <= kStrayByteBase + 0xFF; }

void AppendUtf8(std::string& out, const wchar_t* text, size_t length) {
    if (length == 0) return;
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(size));
    ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data() + at, size, nullptr, nullptr);
}

std::string Utf8(const wchar_t* text, UINT length) {
    std::string result;
    size_t runStart = 0;
    for (size_t i = 0; i < length; ++i) {
        if (!IsStrayByte(text[i])) continue;
        AppendUtf8(result, text + runStart, i - runStart);
        result += static_cast<char>(text[i] - kStrayByteBase);
        runStart = i + 1;
    }
    AppendUtf8(result, text + runStart, length - runStart);
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

// The encoding that the XML declaration names, in capitals; empty when none.
std::string DeclaredEncoding(const std::string& bytes) {
    if (bytes.rfind("<?xml", 0) != 0) return {};
    const size_t end = bytes.find("?>");
    const size_t at = bytes.find("encoding", 0);
    if (at == std::string::npos || at > end) return {};
    const size_t open = bytes.find_first_of("\"'", at);
    if (open == std::string::npos || open > end) return {};
    const size_t close = bytes.find(bytes[open], open + 1);
    if (close == std::string::npos || close > end) return {};
    std::string name = bytes.substr(open + 1, close - open - 1);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// Length of the well-formed UTF-8 sequence at `at`, 0 when there is none.
size_t Utf8SequenceAt(const std::string& bytes, size_t at, char32_t& code) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                                         : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || at + length > bytes.size()) return 0;
    code = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    return overlong || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000) ? 0 : length;
}

void AppendUtf16(std::wstring& text, char32_t code) {
    if (code < 0x10000) {
        text += static_cast<wchar_t>(code);
        return;
    }
    code -= 0x10000;
    text += static_cast<wchar_t>(0xD800 + (code >> 10));
    text += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
}

// The document as UTF-16, read as the parser of the other platform reads it:
// UTF-16 by its byte order mark, ISO-8859-1 when declared, otherwise UTF-8
// in which a byte that begins no well-formed sequence stands for itself.
std::wstring DocumentText(const std::string& bytes) {
    std::wstring text;
    const bool little = bytes.rfind("\xFF\xFE", 0) == 0;
    if (little || bytes.rfind("\xFE\xFF", 0) == 0) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const unsigned char first = static_cast<unsigned char>(bytes[i]);
            const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
            text += static_cast<wchar_t>(little ? first | (second << 8) : (first << 8) | second);
        }
        return text;
    }
    const std::string encoding = DeclaredEncoding(bytes);
    const bool latin1 = encoding == "ISO-8859-1" || encoding == "LATIN1";
    for (size_t i = 0; i < bytes.size();) {
        char32_t code = 0;
        const size_t length = latin1 ? 0 : Utf8SequenceAt(bytes, i, code);
        if (length == 0) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            text += static_cast<wchar_t>(latin1 || byte < 0x80 ? byte : kStrayByteBase + byte);
            ++i;
            continue;
        }
        AppendUtf16(text, code);
        i += length;
    }
    return text;
}

// The text is converted already; XmlLite refuses a declared encoding that
// differs from the one it is given, and the declaration holds nothing else
// that the reading needs.
std::wstring WithoutDeclaration(const std::wstring& text) {
    if (text.rfind(L"<?xml", 0) != 0) return text;
    const size_t end = text.find(L"?>");
    return end == std::wstring::npos ? text : text.substr(end + 2);
}

}  // namespace

XmlElement ReadXmlFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) throw std::runtime_error("Cannot read the file");
    // Wine's XmlLite stops the process on an empty input, or one that ends
    // right after the XML declaration, instead of failing; a line end after
    // the document changes nothing else.
    if (bytes.empty()) throw std::runtime_error("No document element found");
    // With a byte order mark: Wine's XmlLite finds no document in UTF-16 that begins with a line end.
    const std::wstring text = L"\xFEFF" + WithoutDeclaration(DocumentText(bytes)) + L"\n";
    ComPtr<IStream> stream;
    *stream.Out() = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(text.data()),
                                        static_cast<UINT>(text.size() * sizeof(wchar_t)));
    if (stream.Get() == nullptr) throw std::runtime_error("Out of memory");
    // The text is UTF-16 now, whatever the declaration says.
    ComPtr<IUnknown> input;
    HRESULT result = ::CreateXmlReaderInputWithEncodingName(stream.Get(), nullptr, L"UTF-16", FALSE, nullptr,
                                                           input.Out());
    if (FAILED(result)) Fail("Cannot read the file", result, nullptr);
    ComPtr<IXmlReader> reader;
    result = ::CreateXmlReader(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.Out()), nullptr);
    if (FAILED(result)) Fail("No XML parser", result, nullptr);
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    result = reader->SetInput(input.Get());
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
