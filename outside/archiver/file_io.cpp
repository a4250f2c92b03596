#include "file_io.h"

#include <windows.h>

#include <algorithm>
#include <new>

namespace fileio {

std::string ErrorText(unsigned long code)
{
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string s = n && text ? std::string(text, n) : "error " + std::to_string(code);
    if (text)
        LocalFree(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' ||
                          s.back() == '.'))
        s.pop_back();
    return s;
}

std::string FolderOf(const std::string& path)
{
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) {
        if (path.size() >= 2 && path[1] == ':')
            return path.substr(0, 2);       // "C:name": the current folder of drive C
        return ".";
    }
    if (cut == 0 || (cut == 2 && path[1] == ':'))
        return path.substr(0, cut + 1);     // a root
    return path.substr(0, cut);
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    bytes->clear();
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        *error = ErrorText(GetLastError());
        return false;
    }
    bool ok = false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f, &size)) {
        *error = ErrorText(GetLastError());
    } else if (size.QuadPart >= 0xFFFFFFFFLL) {
        *error = "the file is 4 GB or larger";
    } else {
        try {
            bytes->resize(static_cast<size_t>(size.QuadPart));
            ok = true;
        } catch (const std::bad_alloc&) {
            *error = "not enough memory to read it";
        }
        size_t at = 0;
        while (ok && at < bytes->size()) {
            DWORD want = static_cast<DWORD>(std::min<size_t>(bytes->size() - at, 1u << 24));
            DWORD got = 0;
            if (!ReadFile(f, bytes->data() + at, want, &got, nullptr)) {
                *error = ErrorText(GetLastError());
                ok = false;
            } else if (got == 0) {
                *error = "the file became shorter while being read";
                ok = false;
            }
            at += got;
        }
    }
    CloseHandle(f);
    if (!ok)
        bytes->clear();
    return ok;
}

bool WriteTempFile(const std::string& folder, const uint8_t* data, size_t size,
                   std::string* tempPath, std::string* error)
{
    char name[MAX_PATH];
    if (!GetTempFileNameA(folder.c_str(), "~pk", 0, name)) {
        *error = "cannot create a temporary file in \"" + folder + "\": " +
                 ErrorText(GetLastError());
        return false;
    }
    *tempPath = name;
    HANDLE f = CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = f != INVALID_HANDLE_VALUE;
    DWORD failure = ok ? 0 : GetLastError();
    size_t at = 0;
    while (ok && at < size) {
        DWORD want = static_cast<DWORD>(std::min<size_t>(size - at, 1u << 24));
        DWORD put = 0;
        if (!WriteFile(f, data + at, want, &put, nullptr) || put == 0) {
            failure = GetLastError();
            ok = false;
        }
        at += put;
    }
    if (ok && !FlushFileBuffers(f)) {
        failure = GetLastError();
        ok = false;
    }
    if (f != INVALID_HANDLE_VALUE && !CloseHandle(f) && ok) {
        failure = GetLastError();
        ok = false;
    }
    if (!ok) {
        *error = "cannot write \"" + *tempPath + "\": " + ErrorText(failure);
        DeleteFileA(name);
        tempPath->clear();
    }
    return ok;
}

bool ReplaceWithTemp(const std::string& tempPath, const std::string& target, std::string* error)
{
    if (MoveFileExA(tempPath.c_str(), target.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    *error = "cannot replace \"" + target + "\": " + ErrorText(GetLastError());
    DeleteFileA(tempPath.c_str());
    return false;
}

bool WriteFileReplacing(const std::string& target, const uint8_t* data, size_t size,
                        std::string* error)
{
    std::string temp;
    return WriteTempFile(FolderOf(target), data, size, &temp, error) &&
           ReplaceWithTemp(temp, target, error);
}

} // namespace fileio
