#include "threshold_settings.h"

#include <cstdio>
#include <cstring>

namespace methods {

int ReadThreshold(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return kDefaultThreshold;
    char text[64] = {};
    size_t n = std::fread(text, 1, sizeof text - 1, f);
    bool overlong = n == sizeof text - 1 && std::fgetc(f) != EOF;
    std::fclose(f);
    text[n] = 0;
    const char key[] = "threshold=";
    if (overlong || std::strncmp(text, key, sizeof key - 1) != 0)
        return kDefaultThreshold;
    int value = 0;
    const char* p = text + sizeof key - 1;
    int digits = 0;
    for (; *p >= '0' && *p <= '9' && digits < 4; ++p, ++digits)
        value = value * 10 + (*p - '0');
    bool ends = *p == 0 || *p == '\r' || *p == '\n';
    if (digits == 0 || !ends || value > 255)
        return kDefaultThreshold;
    return value;
}

bool WriteThreshold(const std::string& path, int threshold)
{
    if (threshold < 0 || threshold > 255)
        return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fprintf(f, "threshold=%d\r\n", threshold) > 0;
    return (std::fclose(f) == 0) && ok;
}

} // namespace methods
