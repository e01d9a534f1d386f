// What the test programs that run under Wine share: the paths the runner
// hands over, COM apartments, loading and registering server modules,
// running programs, and files.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace gridlet::wine_test {

// An environment variable the runner sets; empty when it is not set.
std::wstring EnvironmentPath(const wchar_t* name);
std::string Ansi(const std::wstring& text);
std::wstring Wide(const std::string& text);

// The calling thread as a single-threaded apartment.
class ComApartment {
 public:
  ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT Result() const { return result_; }

 private:
  HRESULT result_;
};

// A server module loaded into the test process.
class ServerModule {
 public:
  explicit ServerModule(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {}
  ~ServerModule() {
    if (module_) FreeLibrary(module_);
  }
  ServerModule(const ServerModule&) = delete;
  ServerModule& operator=(const ServerModule&) = delete;

  bool Loaded() const { return module_ != nullptr; }
  HMODULE Handle() const { return module_; }
  template <class Function>
  Function Export(const char* name) const {
    return module_ ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
  }
  HRESULT Register() const { return Call("DllRegisterServer"); }
  HRESULT Unregister() const { return Call("DllUnregisterServer"); }

 private:
  HRESULT Call(const char* name) const {
    using Entry = HRESULT(STDAPICALLTYPE*)();
    Entry entry = Export<Entry>(name);
    return entry ? entry() : E_NOTIMPL;
  }
  HMODULE module_;
};

// Owns a BSTR made from a wide string.
class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(const std::wstring& text) : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR Get() const { return text_; }
  BSTR* Put() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  std::wstring Text() const { return text_ ? std::wstring(text_, SysStringLen(text_)) : std::wstring(); }

 private:
  BSTR text_ = nullptr;
};

struct ProcessResult {
  DWORD exitCode = 0;
  bool timedOut = false;
  std::string output;  // standard output and error together
};

// Runs a command line and waits for it at most the given time (then ends it).
ProcessResult RunProcess(const std::wstring& commandLine, DWORD timeoutMilliseconds = 60000);

// A fresh folder under the temporary folder, removed with its files at the
// end of the scope. Path() ends with a backslash.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
};

bool FileExists(const std::wstring& path);
// The whole file; empty when it cannot be read (see FileExists).
std::string ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
std::wstring StringFromGuid(const GUID& guid);

}  // namespace gridlet::wine_test
