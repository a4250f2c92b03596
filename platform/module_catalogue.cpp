#include "module_catalogue.h"

#include "file_paths.h"

#include "module_record.h"

#include <windows.h>

#include <cstdio>

namespace platform {

namespace {

const char kModuleExtension[] = ".Folivar";
constexpr size_t kModuleExtensionLength = sizeof kModuleExtension - 1;

uint32_t FileSizeOf(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return data.nFileSizeLow;
}

// Up to `limit` bytes from the start of a text file; empty when it is missing.
std::string ReadHead(const std::string& path, size_t limit)
{
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return text;
    text.resize(limit);
    text.resize(std::fread(&text[0], 1, limit, f));
    std::fclose(f);
    return text;
}

std::string FirstWord(const std::string& text, size_t limit)
{
    const char* blanks = " \t\r\n\f\v";
    size_t start = text.find_first_not_of(blanks);
    if (start == std::string::npos)
        return std::string();
    size_t end = text.find_first_of(blanks, start);
    std::string word = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return word.substr(0, limit);
}

std::string FirstLine(const std::string& text, size_t limit)
{
    std::string line = text.substr(0, text.find('\n'));
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    return line.substr(0, limit);
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string all;
    for (const std::string& n : names)
        all += (all.empty() ? "" : ", ") + n;
    return all;
}

std::string Cut(const std::string& text, size_t fieldSize)
{
    return text.substr(0, fieldSize - 1);
}

} // namespace

bool IsModuleFileName(const std::string& name)
{
    // ".Folivar" alone would name a module whose work folder is "temp\" itself.
    return name.size() > kModuleExtensionLength &&
           name.compare(name.size() - kModuleExtensionLength, kModuleExtensionLength,
                        kModuleExtension) == 0;
}

bool PackageMethodName(const std::string& moduleFile, const std::string& candidate,
                       std::string* method)
{
    // A module file is never another module's package ("Bin.Folivar" and
    // "Bin.Folivar2.Folivar").
    if (candidate.size() <= moduleFile.size() ||
        candidate.compare(0, moduleFile.size(), moduleFile) != 0 || IsModuleFileName(candidate))
        return false;
    *method = candidate.substr(moduleFile.size() + 1);   // one separator character skipped
    return true;
}

bool WorkFolderOf(const std::string& programFolder, const std::string& moduleFile,
                  std::string* folder)
{
    if (moduleFile.size() < kModuleExtensionLength)
        return false;
    *folder = programFolder + "temp\\" + moduleFile.substr(0, moduleFile.size() - kModuleExtensionLength);
    return folder->size() <= kMaxWorkFolder;
}

void SortModulesByPosition(std::vector<ModuleEntry>& modules)
{
    for (size_t k = 0; k + 1 < modules.size(); ++k)
        for (size_t f = k; f < modules.size(); ++f)
            if (modules[f].position < modules[k].position)
                std::swap(modules[f], modules[k]);
}

bool ReadFingerprint(const std::string& path, uint32_t* sum)
{
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        *sum = 0;                                      // never written: 0
        return true;
    }
    std::string head = ReadHead(path, 4);
    if (head.size() < 4)
        return false;                                  // *sum as it was
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(head[i])) << (8 * i);
    *sum = value;
    return true;
}

bool WriteFingerprint(const std::string& path, uint32_t sum)
{
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(sum >> (8 * i));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes, 1, 4, f) == 4;
    return (std::fclose(f) == 0) && ok;
}

void ModuleCatalogue::Scan(const std::string& programFolder, DiscoveryHost& host)
{
    programFolder_ = programFolder;
    modules_.clear();
    sizeSum_ = 0;
    std::vector<std::string> extraModules, extraMethods, unplaceable;

    const std::vector<std::string> everyFile = FileNamesMatching(programFolder + "*.*");
    int moduleFiles = 0;
    for (const std::string& name : FileNamesMatching(programFolder + "*" + kModuleExtension)) {
        if (!IsModuleFileName(name))
            continue;                 // "X.FOLIVAR" is found by the search but is no module
        if (++moduleFiles > kMaxModuleFiles) {
            extraModules.push_back(name);
            continue;
        }
        host.log(name);
        ModuleEntry module;
        module.fileName = name;
        module.path = programFolder + name;
        sizeSum_ += FileSizeOf(module.path);
        for (const std::string& candidate : everyFile) {
            std::string method;
            if (!PackageMethodName(name, candidate, &method))
                continue;
            if (module.methodCount == kMaxMethods) {
                extraMethods.push_back(candidate);
                continue;
            }
            MethodEntry& entry = module.methods[module.methodCount++];
            entry.packagePath = programFolder + candidate;
            entry.fileName = method;
            sizeSum_ += FileSizeOf(entry.packagePath);
            host.log("   " + candidate);
        }
        if (module.methodCount > 0)
            modules_.push_back(std::move(module));
    }

    host.log("");
    host.log("FSize:" + std::to_string(static_cast<int32_t>(sizeSum_)));
    uint32_t stored = 0;
    changed_ = !ReadFingerprint(programFolder + "ModCh.ini", &stored) || stored != sizeSum_;
    if (changed_)
        host.log("Modules Changed!");

    for (ModuleEntry& module : modules_) {
        ModuleRecord record;
        ReadModuleRecordFile(module.path, &record);
        module.position = record.position;
    }
    SortModulesByPosition(modules_);

    // Work folders that fit, and no more modules than the palette has tiles.
    std::vector<ModuleEntry> kept;
    for (ModuleEntry& module : modules_) {
        if (!WorkFolderOf(programFolder, module.fileName, &module.workFolder))
            unplaceable.push_back(module.fileName);
        else if (kept.size() == kMaxPaletteModules)
            extraModules.push_back(module.fileName);
        else
            kept.push_back(std::move(module));
    }
    modules_ = std::move(kept);

    std::string message;
    if (!extraModules.empty())
        message += "Too many modules! These are left out: " + Joined(extraModules) + "\n";
    if (!extraMethods.empty())
        message += "Too many methods in one module! These are left out: " + Joined(extraMethods) + "\n";
    if (!unplaceable.empty())
        message += "The program folder's path is too long for these modules: " + Joined(unplaceable) + "\n";
    if (!message.empty()) {
        message.pop_back();
        host.warn(message);
    }
}

bool ModuleCatalogue::StoreFingerprint() const
{
    return WriteFingerprint(programFolder_ + "ModCh.ini", sizeSum_);
}

void ModuleCatalogue::Prepare(DiscoveryHost& host)
{
    for (ModuleEntry& module : modules_) {
        ModuleRecord record;
        ReadModuleRecordFile(module.path, &record);
        module.caption1 = Cut(record.caption1, 100);
        module.caption2 = Cut(record.caption2, 100);
        module.description = Cut(record.description, 500);
        module.colourCode = Cut(record.colourCode, 100);
        module.pageSplit = record.pageSplit;

        host.loading(module.fileName);
        if (!FolderExists(module.workFolder) || changed_)
            PrepareWorkFolder(module, host);
    }
}

void ModuleCatalogue::PrepareWorkFolder(const ModuleEntry& module, DiscoveryHost& host)
{
    const std::string& folder = module.workFolder;
    if (!CreateFolderTree(folder)) {
        host.fatal("Can not create temp sub-dir!");
        return;
    }
    for (const std::string& name : FileNamesMatching(folder + "\\*.*"))
        DeleteFileA((folder + "\\" + name).c_str());
    for (int k = 0; k < module.methodCount; ++k) {
        const std::string& package = module.methods[k].packagePath;
        std::string copy = folder + package.substr(package.find_last_of('\\'));
        if (!CopyFileA(package.c_str(), copy.c_str(), FALSE)) {
            host.fatal("Can not copy files to temp dir!");
            return;
        }
        std::string program = copy + ".exe";
        CopyFileA(copy.c_str(), program.c_str(), FALSE);
        SetCurrentDirectoryA(folder.c_str());
        host.runProgram(program);
        DeleteFileA(program.c_str());
        DeleteFileA(copy.c_str());
    }
}

void ModuleCatalogue::ReadMethodTexts()
{
    for (ModuleEntry& module : modules_) {
        for (int k = 0; k < module.methodCount; ++k) {
            MethodEntry& method = module.methods[k];
            method.basePath = module.workFolder + "\\" + method.fileName;
            method.name = FirstWord(ReadHead(method.basePath + ".name", 4096), kMaxMethodName);
            method.description =
                FirstLine(ReadHead(method.basePath + ".txt", kMaxMethodDescription + 2),
                          kMaxMethodDescription);
        }
    }
}

} // namespace platform
