// The control of the planting test: a program that loads bcrypt.dll by name with Windows'
// ordinary search, which looks beside the program first. Exit code 0 when the load succeeded.
#include <windows.h>

int main() { return LoadLibraryW(L"bcrypt.dll") != nullptr ? 0 : 1; }
