// Prints the access list of a file or folder in SDDL, for the installer
// test: Wine's own icacls and cacls print nothing.
//   flickhold_acl_probe PATH

#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    DWORD needed = 0;
    ::GetFileSecurityA(argv[1], DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) return 1;
    std::vector<char> descriptor(needed);
    if (!::GetFileSecurityA(argv[1], DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed)) return 1;
    char* text = nullptr;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor.data(), SDDL_REVISION_1,
                                                                 DACL_SECURITY_INFORMATION, &text, nullptr))
        return 1;
    std::printf("%s\n", text);
    ::LocalFree(text);
    return 0;
}
