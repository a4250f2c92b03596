// A method program for the tests that takes its time: it waits 1.5 s, then
// copies "in.tif" to "out.tif" in its current folder.
#include <windows.h>

int main()
{
    Sleep(1500);
    return CopyFileA("in.tif", "out.tif", FALSE) ? 0 : 1;
}
