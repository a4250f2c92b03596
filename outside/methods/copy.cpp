// Method "copy": the result is the input, byte for byte.
#include "method_io.h"

#include <windows.h>

#include <cstdio>

static int Copy()
{
    if (!CopyFileA("in.tif", "out.tif", FALSE)) {
        std::fprintf(stderr, "cannot copy in.tif to out.tif (error %lu)\n", GetLastError());
        return 1;
    }
    return 0;
}

int main()
{
    return methods::RunMethod(Copy);
}
