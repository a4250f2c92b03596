#include "file_paths.h"

#include <windows.h>

namespace platform {

bool FileExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path)
{
    // Deleted at once where it can be; a read-only file loses the flag first.
    // Either way it counts as gone only once it can no longer be found.
    if (!DeleteFileA(path.c_str())) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            return true;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> FileNamesMatching(const std::string& mask)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(mask.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool FolderExists(const std::string& path)
{
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderTree(const std::string& path)
{
    std::string p = Unslashed(path);
    if (p.empty())
        return false;
    if (FolderExists(p))
        return true;
    size_t cut = p.find_last_of('\\');
    if (cut != std::string::npos && cut > 2 && !CreateFolderTree(p.substr(0, cut)))
        return false;
    return CreateDirectoryA(p.c_str(), nullptr) || FolderExists(p);
}

std::string FileNameOf(const std::string& path)
{
    return path.substr(path.find_last_of('\\') + 1);
}

std::string ProgramFileFolder()
{
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string Unslashed(const std::string& folder)
{
    std::string f = folder;
    while (f.size() > 3 && f.back() == '\\')
        f.pop_back();
    return f;
}

std::string FullPathOf(const std::string& path)
{
    char buffer[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n == 0 || n >= sizeof buffer ? path : Unslashed(std::string(buffer, n));
}

bool SamePath(const std::string& a, const std::string& b)
{
    std::string x = FullPathOf(a), y = FullPathOf(b);
    return x.size() == y.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, x.data(), static_cast<int>(x.size()),
                          y.data(), static_cast<int>(y.size())) == CSTR_EQUAL;
}

std::string PathKey(const std::string& path)
{
    std::string key = FullPathOf(path);
    if (key.empty())
        return key;
    std::string upper(key.size(), '\0');
    int n = LCMapStringA(LOCALE_INVARIANT, LCMAP_UPPERCASE, key.data(), static_cast<int>(key.size()),
                         &upper[0], static_cast<int>(upper.size()));
    return n == static_cast<int>(upper.size()) ? upper : key;
}

} // namespace platform
