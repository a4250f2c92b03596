#pragma once
// The program's forms, created once by WinMain in this order and living until
// the program ends; the windows reach each other through these.
namespace platform {

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm8;
class TForm9;

struct ProgramForms {
    TForm1* Form1 = nullptr;   // main window
    TForm2* Form2 = nullptr;   // splash
    TForm3* Form3 = nullptr;   // settings
    TForm4* Form4 = nullptr;   // result viewer
    TForm5* Form5 = nullptr;   // two-page result viewer
    TForm6* Form6 = nullptr;   // About
    TForm8* Form8 = nullptr;   // module creation
    TForm9* Form9 = nullptr;   // method creation
};

ProgramForms& Forms();

} // namespace platform
