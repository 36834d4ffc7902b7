// Children through CreateProcess in a job of their own, so that ending one
// ends what it started; their outputs go to temporary files that vanish
// with their last handle, read once the program has ended.
#include "platform/ChildProcess.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>
#include <stdexcept>

#include <asio/windows/object_handle.hpp>

#include "platform/SystemError.h"

namespace oprinter {

namespace {

// The exit status of a program ended by Kill, as a shell reports SIGKILL.
constexpr UINT kKilledStatus = 128 + 9;

std::wstring Wide(UINT codePage, const std::string& text) {
    if (text.empty()) return {};
    const int size = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(size, 0)), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::runtime_error StartError(const std::string& what) {
    return std::runtime_error(what + ": " + SystemErrorText(static_cast<int>(::GetLastError())));
}

// One argument as the C runtime's parser of the command line reads it back.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

std::wstring CommandLine(const std::vector<std::string>& arguments) {
    std::wstring line;
    for (const std::string& argument : arguments) line += (line.empty() ? L"" : L" ") + Quoted(Wide(CP_ACP, argument));
    return line;
}

// This process's environment with the additions, sorted as Windows wants it.
std::wstring EnvironmentBlock(const ChildLaunch& launch) {
    std::map<std::wstring, std::wstring> variables;
    if (wchar_t* block = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
            const std::wstring text(entry);
            const size_t equals = text.find(L'=', 1);
            if (equals != std::wstring::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
        ::FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : launch.environment) variables[Wide(CP_UTF8, name)] = Wide(CP_UTF8, value);
    std::wstring block;
    for (const auto& [name, value] : variables) block += name + L"=" + value + L'\0';
    return block + L'\0';
}

struct Handle {
    HANDLE value = nullptr;
    ~Handle() { Close(); }
    void Close() {
        if (value != nullptr && value != INVALID_HANDLE_VALUE) ::CloseHandle(value);
        value = nullptr;
    }
    HANDLE Take() { return std::exchange(value, nullptr); }
};

// A file for one output, inheritable, gone once its last handle is closed.
HANDLE OutputFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (::GetTempPathW(MAX_PATH, folder) == 0 || ::GetTempFileNameW(folder, L"opr", 0, name) == 0)
        throw StartError("cannot make a file for the program's output");
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE file = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw StartError("cannot make a file for the program's output");
    return file;
}

std::string Tail(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size)) return {};
    const LONGLONG keep = std::min<LONGLONG>(size.QuadPart, static_cast<LONGLONG>(kKeptChildOutput));
    LARGE_INTEGER from{};
    from.QuadPart = size.QuadPart - keep;
    if (!::SetFilePointerEx(file, from, nullptr, FILE_BEGIN)) return {};
    std::string text(static_cast<size_t>(keep), '\0');
    DWORD got = 0;
    if (!::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr)) return {};
    text.resize(got);
    return text;
}

class WindowsChild final : public ChildProcess {
public:
    WindowsChild(asio::io_context& loop, HANDLE process, HANDLE job, HANDLE out, HANDLE err, Ended ended)
        : process_(loop, process), job_(job), out_(out), err_(err), ended_(std::move(ended)) {
        process_.async_wait([this, watch = std::weak_ptr<int>(life_)](const asio::error_code& error) {
            if (!watch.expired() && !error) Exited();
        });
    }
    ~WindowsChild() override {
        life_.reset();
        if (!exited_) ::TerminateJobObject(job_, kKilledStatus);
        ::CloseHandle(job_);
        ::CloseHandle(out_);
        ::CloseHandle(err_);
    }

    void Kill() override {
        if (!exited_) ::TerminateJobObject(job_, kKilledStatus);
    }

private:
    void Exited() {
        exited_ = true;
        ChildOutcome outcome;
        DWORD status = 0;
        ::GetExitCodeProcess(process_.native_handle(), &status);
        outcome.exitStatus = static_cast<int>(status);
        outcome.output = Tail(out_);
        outcome.errors = Tail(err_);
        const Ended ended = std::exchange(ended_, nullptr);
        if (ended) ended(outcome);  // may destroy this object
    }

    std::shared_ptr<int> life_ = std::make_shared<int>(0);
    asio::windows::object_handle process_;
    HANDLE job_;
    HANDLE out_;
    HANDLE err_;
    Ended ended_;
    bool exited_ = false;
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(asio::io_context& loop, const ChildLaunch& launch, Ended ended) {
    if (launch.arguments.empty()) throw std::runtime_error("no program");
    Handle out{OutputFile()};
    Handle err{OutputFile()};
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle nothing{::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0,
                                 nullptr)};
    Handle job{::CreateJobObjectW(nullptr, nullptr)};
    if (job.value == nullptr) throw StartError("cannot make a job");

    // Only the three handles reach the program, not the service's sockets.
    HANDLE handles[] = {nothing.value, out.value, err.value};
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> attributes(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
    if (!::InitializeProcThreadAttributeList(list, 1, 0, &size) ||
        !::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, sizeof handles, nullptr, nullptr))
        throw StartError("cannot prepare a process");
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nothing.value;
    startup.StartupInfo.hStdOutput = out.value;
    startup.StartupInfo.hStdError = err.value;
    startup.lpAttributeList = list;

    std::wstring program = Wide(CP_ACP, launch.arguments[0]);
    std::wstring command = CommandLine(launch.arguments);
    std::wstring environment = EnvironmentBlock(launch);
    const std::wstring folder = Wide(CP_ACP, launch.folder);
    const DWORD flags = CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED | CREATE_NO_WINDOW | EXTENDED_STARTUPINFO_PRESENT |
                        (launch.lowerPriority ? BELOW_NORMAL_PRIORITY_CLASS : 0);
    PROCESS_INFORMATION started{};
    const BOOL made = ::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, flags,
                                       environment.data(), folder.c_str(), &startup.StartupInfo, &started);
    ::DeleteProcThreadAttributeList(list);
    if (!made) throw StartError("cannot run " + launch.arguments[0]);
    Handle process{started.hProcess};
    Handle thread{started.hThread};
    if (!::AssignProcessToJobObject(job.value, process.value)) {
        ::TerminateProcess(process.value, kKilledStatus);
        throw StartError("cannot watch a process");
    }
    ::ResumeThread(thread.value);
    return std::make_unique<WindowsChild>(loop, process.Take(), job.Take(), out.Take(), err.Take(), std::move(ended));
}

}  // namespace oprinter
